#include "pages/AppIcons.h"

#include "pages/IconPainters.h"

#include <QApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPixmapCache>
#include <QResource>
#include <QStyle>
#include <QStyleOption>
#include <QtMath>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace orvanel::AppIcons {

namespace {

using iconpainters::Set;
using iconpainters::Side;

// The strip the build baked of a set at `pixels`, found once; a null image when it baked
// none at that size. The image shows the pixels where the program holds them, kept
// beside it in case the resource ever comes compressed.
const QImage& bakedStrip(const Set& set, int pixels)
{
    struct Strip
    {
        QByteArray bytes;
        QImage image;
    };
    static QHash<QString, Strip> strips;
    const QString name = u":/icons/"_s + iconpainters::stripFileName(set, pixels);
    auto found = strips.constFind(name);
    if (found == strips.cend()) {
        // A size the build did not bake has no resource, and no bytes.
        Strip strip{QResource(name).uncompressedData(), {}};
        strip.image = iconpainters::stripOf(strip.bytes, set, pixels);
        found = strips.insert(name, strip);
    }
    return found->image;
}

// Picture `index` of a set, `side` logical pixels at `ratio`: from the baked strip at the
// sizes the build baked, else drawn at its pixel size, never enlarged.
QPixmap picture(const Set& set, int index, int side, qreal ratio = 1.0)
{
    const int pixels = std::max(1, qCeil(side * ratio));
    const QImage& strip = bakedStrip(set, pixels);
    QPixmap pixmap = QPixmap::fromImage(
        !strip.isNull() ? strip.copy(index * pixels, 0, pixels, pixels)
                        : iconpainters::draw(set.painters[std::size_t(index)], pixels));
    pixmap.setDevicePixelRatio(pixels / double(side));
    return pixmap;
}

// An icon that shows itself at the pixel size it is asked for.
class DrawnIconEngine final : public QIconEngine
{
public:
    DrawnIconEngine(Set set, int index) : m_set(set), m_index(index) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
        QPixmap shown = pixmap(rect.size() * ratio, mode, state);
        shown.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect.topLeft(), shown);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        QPixmap shown = picture(m_set, m_index, std::min(size.width(), size.height()));
        if (mode == QIcon::Disabled && qApp) {
            QStyleOption option;
            option.palette = QGuiApplication::palette();
            shown = QApplication::style()->generatedIconPixmap(mode, shown, &option);
        }
        return shown;
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal) override
    {
        // Qt asks in device pixels.
        return pixmap(size, mode, state);
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        return {QSize(Side, Side), QSize(2 * Side, 2 * Side)};
    }

    QIconEngine* clone() const override { return new DrawnIconEngine(m_set, m_index); }
    QString key() const override { return u"orvanel-drawn"_s; }

private:
    Set m_set;
    int m_index;
};

// The category list and the language box paint their images at every repaint: each is
// made once per ratio and kept in the application's pixmap cache.
QPixmap kept(const Set& set, int index, qreal ratio)
{
    const QString key = u"orvanel-%1-%2@%3"_s.arg(QLatin1StringView(set.name))
                            .arg(index)
                            .arg(QString::number(ratio));
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        pixmap = picture(set, index, Side, ratio);
        QPixmapCache::insert(key, pixmap);
    }
    return pixmap;
}

} // namespace

QPixmap categoryPixmap(int position, qreal ratio)
{
    if (position < 0 || position >= CategoryIconCount)
        return {};
    return kept(iconpainters::categories(), position, ratio);
}

QIcon categoryIcon(int position)
{
    if (position < 0 || position >= CategoryIconCount)
        return {};
    return QIcon(new DrawnIconEngine(iconpainters::categories(), position));
}

QPixmap languageFlagPixmap(int position, qreal ratio)
{
    if (position < 0 || position >= LanguageFlagCount)
        return {};
    return kept(iconpainters::flags(), position, ratio);
}

QIcon languageFlag(int position)
{
    if (position < 0 || position >= LanguageFlagCount)
        return {};
    return QIcon(new DrawnIconEngine(iconpainters::flags(), position));
}

QPixmap internetPixmap(bool on, qreal ratio)
{
    return picture(iconpainters::internet(), on ? 0 : 1, Side, ratio);
}

QIcon internetGlyph(bool on)
{
    return QIcon(new DrawnIconEngine(iconpainters::internet(), on ? 0 : 1));
}

QIcon applicationIcon()
{
    const Set set = iconpainters::application();
    QIcon icon;
    for (const int side : set.bakedSizes)
        icon.addPixmap(picture(set, 0, side));
    return icon;
}

} // namespace orvanel::AppIcons
