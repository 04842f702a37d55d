#include "support/fake_forms_services.h"

#include "platform/x11/qt_forms_services.h"

int FakeFormsServices::msgBox(const QString& text, int style, const QString& title) {
    const RecordedBox box{text, style, title};
    if (onBox)
        onBox(box);
    boxes.append(box);
    if (!boxAnswers.isEmpty())
        return boxAnswers.dequeue();
    return style == platform::vbYesNoInformation ? platform::vbNo : platform::vbOK;
}

QString FakeFormsServices::shown() const {
    QStringList lines;
    for (const RecordedBox& box : boxes)
        lines.append(box.title + " | " + QString::number(box.style) + " | " + box.text);
    return lines.join(u'\n');
}

void FakeFormsServices::doEvents() {
    ++doEventsCalls;
    platform::QtFormsServices().doEvents();
}
