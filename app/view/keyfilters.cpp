#include "keyfilters.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaMethod>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>

namespace {

constexpr char16_t kBackspace = 8;
constexpr char16_t kEnter = 13;

// Applies the rules to everything the user puts into one box. Lives as a
// child of the box, so it goes when the box goes.
class KeyFilter final : public QObject
{
public:
    KeyFilter(QLineEdit *edit, KeyFilterBox box)
        : QObject(edit)
        , m_edit(edit)
        , m_box(box)
    {
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_edit || m_edit->isReadOnly())
            return false;
        switch (event->type()) {
        case QEvent::KeyPress:
            return keyPress(static_cast<QKeyEvent *>(event));
        case QEvent::MouseButtonRelease:
            return middleButtonRelease(static_cast<QMouseEvent *>(event));
        case QEvent::ContextMenu:
            showContextMenu(static_cast<QContextMenuEvent *>(event));
            return true;
        case QEvent::Drop:
            return drop(static_cast<QDropEvent *>(event));
        case QEvent::InputMethod:
            return inputMethod(static_cast<QInputMethodEvent *>(event));
        default:
            return false;
        }
    }

private:
    bool accepts(QChar key) const { return KeyFilterAccepts(m_box, key, m_edit->text()); }

    // True when the event is swallowed or handled here.
    bool keyPress(QKeyEvent *event)
    {
        if (event->matches(QKeySequence::Paste)) {
            paste(QClipboard::Clipboard);
            return true;
        }
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return !accepts(QChar(kEnter));
        case Qt::Key_Backspace:
            return !accepts(QChar(kBackspace));
        default:
            break;
        }
        // Only keys that would insert text meet the rules; shortcuts,
        // navigation and Delete carry no printable text or hold Ctrl.
        const QString text = event->text();
        if (text.isEmpty() || !text.front().isPrint()
            || (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
            return false;
        if (text.size() == 1)
            return !accepts(text.front());
        type(text);
        return true;
    }

    bool middleButtonRelease(QMouseEvent *event)
    {
        if (event->button() != Qt::MiddleButton || !QGuiApplication::clipboard()->supportsSelection())
            return false;
        // The selection paste goes in at the cursor and leaves the selected
        // text alone: usually it is the very text being pasted.
        m_edit->deselect();
        type(QGuiApplication::clipboard()->text(QClipboard::Selection));
        return true;
    }

    void showContextMenu(QContextMenuEvent *event)
    {
        QMenu *menu = m_edit->createStandardContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        // The box's own menu joins its Paste item to the box's paste() slot
        // by name; the one item that lets go of that link is Paste. Later Qt
        // versions name the item instead.
        const QMetaMethod triggered = QMetaMethod::fromSignal(&QAction::triggered);
        const QMetaObject *meta = m_edit->metaObject();
        const QMetaMethod pasteSlot = meta->method(meta->indexOfSlot("paste()"));
        const auto actions = menu->actions();
        for (QAction *action : actions) {
            bool isPaste = disconnect(action, triggered, m_edit, pasteSlot);
            if (!isPaste && action->objectName() == QLatin1String("edit-paste")) {
                disconnect(action, &QAction::triggered, nullptr, nullptr);
                isPaste = true;
            }
            if (isPaste)
                connect(action, &QAction::triggered, this, [this] { paste(QClipboard::Clipboard); });
        }
        menu->popup(event->globalPos());
    }

    bool drop(QDropEvent *event)
    {
        if (!event->mimeData()->hasText())
            return false;
        m_edit->setCursorPosition(m_edit->cursorPositionAt(event->position().toPoint()));
        type(event->mimeData()->text());
        // A copy, even when dragged out of this box: a move would make the
        // source cut the selection after our own inserts.
        event->setDropAction(Qt::CopyAction);
        event->accept();
        m_edit->setFocus(Qt::OtherFocusReason);
        return true;
    }

    // Input methods are off for the box, but the box turns them back on when
    // it changes its read-only state; a commit then goes in as typed.
    bool inputMethod(QInputMethodEvent *event)
    {
        if (event->commitString().isEmpty())
            return false;
        type(event->commitString());
        return true;
    }

    void paste(QClipboard::Mode mode)
    {
        if (m_edit->hasSelectedText())
            m_edit->del();
        type(QGuiApplication::clipboard()->text(mode));
    }

    // One character at a time, as if typed. Line breaks and other control
    // characters of pasted text are dropped: typed, they insert nothing. The
    // first accepted character replaces any selection, as a typed key does.
    void type(const QString &text)
    {
        for (const QChar c : text) {
            if (c.isPrint() && accepts(c))
                m_edit->insert(QString(c));
        }
    }

    QLineEdit *m_edit;
    KeyFilterBox m_box;
};

} // namespace

bool KeyFilterAccepts(KeyFilterBox box, QChar key, const QString &textBefore)
{
    return customFieldAcceptsKey(box, key, textBefore);
}

void InstallKeyFilter(QLineEdit *edit, KeyFilterBox box)
{
    if (!edit)
        return;
    edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    edit->installEventFilter(new KeyFilter(edit, box));
}
