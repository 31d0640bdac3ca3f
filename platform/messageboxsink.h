#pragma once

#include "messagesink.h"

class QWidget;

// The real message sink: a modal QMessageBox with an OK button, or Yes and No
// for a question.
class MessageBoxSink final : public MessageSink
{
public:
    explicit MessageBoxSink(QWidget *parent = nullptr);
    void showMessage(const QString &text, MessageIcon icon, const QString &title) override;
    bool askYesNo(const QString &text, const QString &title) override;

private:
    QWidget *m_parent;
};
