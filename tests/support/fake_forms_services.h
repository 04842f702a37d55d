#pragma once
// A scripted stand-in for the forms run time's services. It records every message box
// and input box in order, answers from queues the test fills, and installs itself for
// its lifetime.

#include "platform/x11/qt_forms_services.h"

#include <QList>
#include <QQueue>
#include <QStringList>
#include <functional>

struct RecordedBox {
    QString text;
    int style = 0;
    QString title;
};

struct RecordedInputBox {
    QString prompt, title;
    bool masked = false;
};

class FakeFormsServices : public platform::FormsServices {
public:
    FakeFormsServices() { platform::setForms(this); }
    ~FakeFormsServices() override { platform::setForms(nullptr); }

    int msgBox(const QString& text, int style, const QString& title) override {
        const RecordedBox box{text, style, title};
        if (onBox)
            onBox(box);
        boxes.append(box);
        if (!boxAnswers.isEmpty())
            return boxAnswers.dequeue();
        return style == platform::vbYesNoInformation ? platform::vbNo : platform::vbOK;
    }
    QString inputBox(const QString& prompt, const QString& title, double, double,
                     bool masked) override {
        inputBoxes.append({prompt, title, masked});
        return inputAnswers.isEmpty() ? QString() : inputAnswers.dequeue();
    }
    void sendKeys(const QString&) override {}
    void doEvents() override { platform::QtFormsServices().doEvents(); }
    platform::ScreenTwips screen() const override { return {15360, 11520, 15, 15}; } // 1024 x 768
    // Every message box shown so far as "title | style | text", one a line.
    QString shown() const {
        QStringList lines;
        for (const RecordedBox& box : boxes)
            lines.append(box.title + " | " + QString::number(box.style) + " | " + box.text);
        return lines.join(u'\n');
    }

    QList<RecordedBox> boxes;
    QList<RecordedInputBox> inputBoxes;
    // Answers for message boxes (vbOK when empty) and input boxes (empty text when empty).
    QQueue<int> boxAnswers;
    QQueue<QString> inputAnswers;
    // Runs when a message box is shown, before it is recorded (to look at focus, say).
    std::function<void(const RecordedBox&)> onBox;
};
