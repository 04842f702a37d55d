#pragma once
// The link routines of module mdlInternet: colouring a label that acts as a hyperlink as
// the pointer moves, and opening an address with the desktop's default handler.

#include "help/link_rules.h"

#include <QColor>
#include <QString>
#include <optional>

class QLabel;

// Gives the label the hover colour when the pointer position (x, y, twips relative to the
// label) is on it, edges included, and the normal colour otherwise.
void highlightLink(QLabel* label, float x, float y,
                   std::optional<Colorref> normalColour = kLinkNormalColour,
                   std::optional<Colorref> hoverColour = kLinkHoverColour);

// Hands the address to the desktop shell; whether it could open it is not looked at.
void openWebPage(const QString& sUrlPath);

QColor qColorOf(Colorref colour);
// The label's text colour.
void setLabelColour(QLabel* label, Colorref colour);
