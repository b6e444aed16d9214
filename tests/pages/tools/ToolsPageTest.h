#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QRect>
#include <QWidget>

#include <gtest/gtest.h>

#include <initializer_list>

namespace orvanel::testing {

inline void touch(const QString& path, const QByteArray& bytes = "x")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

inline QStringList listed(const QListWidget* list)
{
    QStringList out;
    for (int row = 0; row < list->count(); ++row)
        out.append(list->item(row)->text());
    return out;
}

// One control of a page: where it lies on the panel, its caption (none: not checked)
// and whether it shows.
struct ControlRow
{
    const char* name;
    QRect geometry;
    const char* caption = nullptr;
    bool visible = true;
};

inline void expectControls(const QWidget* panel, std::initializer_list<ControlRow> rows)
{
    for (const ControlRow& row : rows) {
        const auto* widget = panel->findChild<QWidget*>(QLatin1StringView(row.name));
        ASSERT_NE(widget, nullptr) << row.name;
        EXPECT_EQ(widget->geometry(), row.geometry) << row.name;
        EXPECT_EQ(widget->isVisible(), row.visible) << row.name;
        EXPECT_TRUE(widget->isEnabled()) << row.name;
        if (row.caption) {
            EXPECT_EQ(widget->property("text").toString(), QString::fromUtf8(row.caption))
                << row.name;
        }
    }
}

} // namespace orvanel::testing
