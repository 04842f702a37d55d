#pragma once
// The forms run time's services the program relies on: message boxes, input boxes,
// injected keys, processing pending messages and the screen's size in twips.
// Tests install a scripted fake (tests/support/fake_forms_services.h).

#include <QString>

namespace platform {

// Message box styles and answers, with the forms run time's numbers.
enum MsgBoxStyle : int {
    vbCritical = 16,         // OK button, stop icon
    vbInformation = 64,      // OK button, information icon
    vbYesNoInformation = 68, // Yes and No buttons, information icon
};
enum MsgBoxResult : int { vbOK = 1, vbYes = 6, vbNo = 7 };

// The primary screen in twips (1/1440 inch) with its conversion factors.
struct ScreenTwips {
    double width = 0;
    double height = 0;
    double twipsPerPixelX = 15;
    double twipsPerPixelY = 15;
};

class FormsServices {
public:
    virtual ~FormsServices() = default;
    // Modal; returns vbOK, vbYes or vbNo. Line breaks may be CR LF, CR, LF or LF CR.
    virtual int msgBox(const QString& text, int style, const QString& title) = 0;
    // Modal prompt with one text field, OK and Cancel, its top-left corner at the given
    // screen position in twips; the field shows dots for what is typed when `masked`.
    // The typed text, or empty text on Cancel or close.
    virtual QString inputBox(const QString& prompt, const QString& title, double leftTwips,
                             double topTwips, bool masked = false) = 0;
    // Queues the keys (only "{Tab}" is used) for the focused control; does not wait.
    virtual void sendKeys(const QString& keys) = 0;
    // Processes the window messages waiting now, once, and returns.
    virtual void doEvents() = 0;
    virtual ScreenTwips screen() const = 0;
};

FormsServices& forms();
// Installs a replacement; nullptr restores the real service.
void setForms(FormsServices* service);

} // namespace platform
