#pragma once
// The forms run time's services on Qt Widgets.

#include "platform/x11/forms_services.h"

namespace platform {

class QtFormsServices : public FormsServices {
public:
    int msgBox(const QString& text, int style, const QString& title) override;
    QString inputBox(const QString& prompt, const QString& title, double leftTwips, double topTwips,
                     bool masked = false) override;
    void sendKeys(const QString& keys) override;
    void doEvents() override;
    ScreenTwips screen() const override;
};

// Any of the message texts' line-break forms (CR LF, LF CR, CR, LF) as one line break.
QString normalizedLineBreaks(const QString& text);

} // namespace platform
