#pragma once

#include "messagesink.h"

#include <QList>

// Records every message instead of showing it, so tests can check text and icon.
class RecordingMessageSink final : public MessageSink
{
public:
    struct Message
    {
        QString text;
        MessageIcon icon;
        QString title;
    };

    void showMessage(const QString &text, MessageIcon icon, const QString &title) override
    {
        messages.append({text, icon, title});
    }

    QList<Message> messages;
};
