#include "propertybag.h"

#include <limits>

qint32 PropertyBag::readInt(const QString &key, qint32 def) const
{
    const auto it = m_values.constFind(key);
    if (it == m_values.constEnd())
        return def;
    bool ok = false;
    const qlonglong v = it->toLongLong(&ok);
    if (!ok || v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max())
        return def;
    return qint32(v);
}

bool PropertyBag::readBool(const QString &key, bool def) const
{
    const auto it = m_values.constFind(key);
    if (it == m_values.constEnd() || !it->canConvert<bool>())
        return def;
    return it->toBool();
}

void PropertyBag::writeInt(const QString &key, qint32 value, qint32 def)
{
    noteWrite(key);
    if (value == def)
        m_values.remove(key);
    else
        m_values.insert(key, value);
}

void PropertyBag::writeBool(const QString &key, bool value, bool def)
{
    noteWrite(key);
    if (value == def)
        m_values.remove(key);
    else
        m_values.insert(key, value);
}

void PropertyBag::setRaw(const QString &key, const QVariant &value)
{
    m_values.insert(key, value);
}

void PropertyBag::noteWrite(const QString &key)
{
    if (!m_writeOrder.contains(key))
        m_writeOrder.append(key);
}
