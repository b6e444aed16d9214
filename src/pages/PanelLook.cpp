#include "pages/PanelLook.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace orvanel::panellook {

QFont panelFont()
{
    QFont font(FontFamily);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(FontPixelSize);
    return font;
}

namespace {

double luminance(const QColor& colour)
{
    const auto linear = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

} // namespace

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor textColourOn(const QColor& background)
{
    const QColor black(Qt::black), white(Qt::white);
    return contrast(black, background) >= contrast(white, background) ? black : white;
}

void install(QApplication& app)
{
    QApplication::setFont(panelFont());
    // qtbase_<language>.qm of Debian's qt6-translations-l10n; none for English.
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(), u"qtbase"_s, u"_"_s,
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

} // namespace orvanel::panellook
