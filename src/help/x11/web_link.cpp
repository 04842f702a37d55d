#include "help/x11/web_link.h"

#include "platform/x11/forms_services.h"
#include "platform/x11/shell.h"

#include <QLabel>
#include <QPalette>

QColor qColorOf(Colorref colour) {
    const Rgb rgb = rgbOf(colour);
    return QColor(rgb.red, rgb.green, rgb.blue);
}

void setLabelColour(QLabel* label, Colorref colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, qColorOf(colour));
    label->setPalette(palette);
}

void highlightLink(QLabel* label, float x, float y, std::optional<Colorref> normalColour,
                   std::optional<Colorref> hoverColour) {
    if (!label)
        return;
    const platform::ScreenTwips screen = platform::forms().screen();
    const auto width = static_cast<float>(label->width() * screen.twipsPerPixelX);
    const auto height = static_cast<float>(label->height() * screen.twipsPerPixelY);
    setLabelColour(label, linkColour(x, y, width, height, normalColour, hoverColour));
}

void openWebPage(const QString& sUrlPath) {
    platform::shell().openDocument(sUrlPath);
}
