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
};
