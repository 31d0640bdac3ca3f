#pragma once

#include <QString>

// The icon of a modal message. None is the plain box used for general failures.
enum class MessageIcon { None, Critical, Warning, Information };

// The application's title: every message box carries it.
inline const QString kAppTitle = QStringLiteral("Snipora");

// Shows a modal message with an OK button. The window implements it with
// QMessageBox; core code only ever sees this interface, tests record the calls.
class MessageSink
{
public:
    virtual ~MessageSink() = default;
    virtual void showMessage(const QString &text, MessageIcon icon, const QString &title) = 0;
    // Asks a yes/no question; true for yes. A sink that cannot ask answers
    // no, so a question never lets anything be thrown away unasked.
    virtual bool askYesNo(const QString & /*text*/, const QString & /*title*/) { return false; }
};
