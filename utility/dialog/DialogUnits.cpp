#include "DialogUnits.h"

#include <QFontMetrics>

namespace vantrel {

namespace {

// Rounded a * b / c, as the platform's dialog-unit mapping rounds.
int ScaleRounded(int a, int b, int c)
{
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    averageCharWidth_ = metrics.averageCharWidth();
    charHeight_ = metrics.height();
}

int DialogUnits::x(int units) const
{
    return ScaleRounded(units, averageCharWidth_, 4);
}

int DialogUnits::y(int units) const
{
    return ScaleRounded(units, charHeight_, 8);
}

QRect DialogUnits::rect(int x, int y, int width, int height) const
{
    return QRect(this->x(x), this->y(y), this->x(width), this->y(height));
}

QSize DialogUnits::size(int width, int height) const
{
    return QSize(x(width), y(height));
}

QFont TemplateFont()
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

}  // namespace vantrel
