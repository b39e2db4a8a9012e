#pragma once
#include <QObject>
#include <QString>

#include <vector>

// Modal messages to the user go through this, so tests can answer and record them.
// Caption of the information boxes several windows raise.
inline const QString kInformationCaption = QStringLiteral("Information");

struct IMessageSink {
    enum class Icon { None, Information, Warning, Error };
    enum class Button { Ok, Yes };
    virtual ~IMessageSink() = default;
    // Shows the message and returns once the user has closed it (OK).
    virtual void Show(const QString& caption, const QString& text, Icon icon) = 0;
    // The same with its single button captioned otherwise. A sink that draws no
    // buttons shows it as any other message.
    virtual void ShowWithButton(const QString& caption, const QString& text, Icon icon, Button button)
    {
        (void)button;
        Show(caption, text, icon);
    }
};

// Marks the link's reply handling (the drain of a port's input). A modal box
// must not open inside it: its nested event loop would leave that port
// undrained, so rows stop and the unread input piles up while the box stands.
class ReplyHandling {
public:
    static bool Active() { return depth_ > 0; }
    struct Scope {
        Scope() { ++depth_; }
        ~Scope() { --depth_; }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
    };

private:
    static inline int depth_ = 0;
};

// The program's message sink. Outside reply handling a message is shown at once.
// Raised during reply handling it is queued and shown once that handling has
// returned to the event loop, so every port keeps draining while the box is open.
// A queued message identical to one already waiting or on screen is dropped, so
// a fault repeating on every reply cannot stack boxes.
class QueuedMessageSink : public IMessageSink {
public:
    explicit QueuedMessageSink(IMessageSink& shown) : Shown(shown) {}
    void Show(const QString& caption, const QString& text, Icon icon) override;
    void ShowWithButton(const QString& caption, const QString& text, Icon icon, Button button) override;
    // Messages waiting to be shown.
    int Pending() const { return int(queue_.size()); }
    IMessageSink& Shown;

private:
    struct Message {
        QString Caption, Text;
        Icon IconKind;
        Button ButtonKind;
        bool operator==(const Message& o) const
        {
            return Caption == o.Caption && Text == o.Text && IconKind == o.IconKind && ButtonKind == o.ButtonKind;
        }
    };
    void ShowQueued();
    void Deliver(const Message& m);

    std::vector<Message> queue_;
    std::vector<Message> onScreen_;
    bool posted_ = false;
    // Posted calls die with it, so a sink gone before its turn shows nothing.
    QObject context_;
};
