#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace vantrel {

// Converts dialog-template units to pixels with the metrics of the dialog's
// font: 4 horizontal units are the average character width, 8 vertical units
// the character height, so the layout keeps its proportions whatever font the
// system substitutes for the template's.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int x(int units) const;
    int y(int units) const;
    QRect rect(int x, int y, int width, int height) const;
    QSize size(int width, int height) const;

private:
    int averageCharWidth_;
    int charHeight_;
};

// The font of the dialog templates: 8-point "MS Sans Serif", or the sans-serif
// face the system puts in its place.
QFont TemplateFont();

}  // namespace vantrel
