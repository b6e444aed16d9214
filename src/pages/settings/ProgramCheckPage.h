#pragma once

#include "pages/Page.h"

#include <QStringList>

class QMimeDatabase;

namespace orvanel {

class TextTable;

// The program check: every rule of regles.xml beside what its program file looks like
// now (date, type, presence, program checksum), a snapshot taken at the build. The page
// only reads; a click on a column header does nothing.
class ProgramCheckPage final : public Page
{
public:
    using Page::Page;

    void build(QWidget* panel) override;
};

// The stored fields of one rule that the page compares with its program file.
struct CheckedRule
{
    QString program; // Champ1
    QString date;    // Champ2
    QString stored;  // Champ4, the date the rule recorded ("?" when missing)
    QString path;    // Champ8
    QString sum;     // Champ9, the checksum the rule recorded
};

// The nine columns after the row number for one rule, measured now.
QStringList programCheckCells(const CheckedRule& rule, const TextTable& texts,
                              const QMimeDatabase& types);

} // namespace orvanel
