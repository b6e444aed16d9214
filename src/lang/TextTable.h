#pragma once

#include <QString>

#include <array>

namespace orvanel {

// The 101 texts of the current language. Every caption and most messages are copied
// from here when a control is built; they do not follow later changes by themselves.
class TextTable final
{
public:
    static constexpr int Size = 101;
    static constexpr int MaxLength = 50;

    // Entry n (1 to 101); empty for numbers out of range.
    QString text(int n) const;

    // Loads the language file of `code` from the workspace directory: line N is entry
    // N, cut after 50 characters; lines after the 101st are ignored. A missing file or
    // missing lines leave those entries empty, and so does a file that is not a plain
    // file of at most 16 MB (error then says why). An unknown code loads nothing and the
    // table keeps its content (answers false).
    bool load(const QString& workspaceDir, const QString& code, QString* error = nullptr);

    // Fills entries from lines already read (used by load).
    void setLines(const QStringList& lines);

private:
    std::array<QString, Size> m_entries;
};

} // namespace orvanel
