#pragma once
// Answers and records every message box shown through platform::ShowMessage while it lives, and
// puts the previous handler back when it goes. No window opens. Unless an answer is queued,
// questions are answered No, Quit where offered, else OK.
#include "platform/MessageBox.h"

#include <QList>
#include <QQueue>
#include <QString>

class MessageRecorder {
public:
    struct Message {
        QString text;
        platform::MsgStyle style;
    };

    // questionAnswer: what a question is answered when no answer is queued.
    explicit MessageRecorder(int questionAnswer = platform::IDNO)
        : m_nQuestionAnswer(questionAnswer)
    {
        m_previous = platform::SetMessageHandler([this](const QString& text, platform::MsgStyle style) {
            m_messages.append({text, style});
            if (!m_answers.isEmpty())
                return m_answers.dequeue();
            return style == platform::MsgStyle::Question ? m_nQuestionAnswer : platform::QuitAnswer(style);
        });
    }
    ~MessageRecorder() { platform::SetMessageHandler(std::move(m_previous)); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    // Queues the answer of the next box (answers are used in order).
    void Answer(int button) { m_answers.enqueue(button); }

    int Count() const { return static_cast<int>(m_messages.size()); }
    const QList<Message>& Messages() const { return m_messages; }
    // The last box shown; call only when Count() > 0.
    const Message& Last() const { return m_messages.constLast(); }

private:
    platform::MessageHandler m_previous;
    QList<Message> m_messages;
    QQueue<int> m_answers;
    int m_nQuestionAnswer;
};
