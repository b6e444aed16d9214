#pragma once

#include <QImage>
#include <QString>

#include <array>
#include <functional>
#include <span>

class QPainter;

// The drawings of the panel's pictures, each on a square of 16 logical pixels. The build
// draws every set once at the sizes it shows most (orvanel-icon-bake) into strips kept as
// resources; the panel draws any other size itself. Both draw with this code.
namespace orvanel::iconpainters {

using Painter = std::function<void(QPainter&)>;
inline constexpr int Side = 16;

// A set of drawings, the name its strips go by (":/icons/<name>-<pixels>.argb", one
// picture after another from the left, as strip() makes them) and the pixel sizes the
// build bakes.
struct Set
{
    const char* name;
    std::span<const Painter> painters;
    std::span<const int> bakedSizes;
};

Set categories();  // ImageList1, by position of the category list
Set flags();       // ImageList2, in the order of the language choice box
Set internet();    // ImageList3: 0 with the Internet on, 1 with it off
Set application(); // the program's own icon, a shield

// Every set, in the order above: what the build bakes.
std::array<Set, 4> allSets();

// The file name of a set's strip at `pixels`, "<name>-<pixels>.argb"; the resources keep
// it under ":/icons/".
QString stripFileName(const Set& set, int pixels);

// One drawing, antialiased, on a transparent square of `pixels` device pixels.
QImage draw(const Painter& paint, int pixels);

// A strip of a whole set at `pixels`, as the build bakes it: premultiplied ARGB.
QImage strip(const Set& set, int pixels);

// The baked strip's pixels shown as an image of that strip's size, sharing them; a null
// image when they are not a whole strip of the set at `pixels`.
QImage stripOf(const QByteArray& pixels, const Set& set, int side);

} // namespace orvanel::iconpainters
