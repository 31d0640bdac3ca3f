#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QtGlobal>

// The host's design data for one control: named values, each read with a
// default. A value equal to its default is not stored, so a missing key and a
// default value are the same thing.
class PropertyBag final
{
public:
    // The stored value, or def when the key is missing or does not hold a
    // number of the asked type.
    qint32 readInt(const QString &key, qint32 def) const;
    bool readBool(const QString &key, bool def) const;

    void writeInt(const QString &key, qint32 value, qint32 def);
    void writeBool(const QString &key, bool value, bool def);

    // Direct access for hosts that hold design data in their own format.
    void setRaw(const QString &key, const QVariant &value);
    bool contains(const QString &key) const { return m_values.contains(key); }
    QVariant raw(const QString &key) const { return m_values.value(key); }

    // Keys in the order they were first written since construction.
    const QStringList &writeOrder() const { return m_writeOrder; }

private:
    void noteWrite(const QString &key);

    QVariantMap m_values;
    QStringList m_writeOrder;
};
