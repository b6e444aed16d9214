#pragma once

#include "pages/Page.h"

#include <QPointer>

class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QLineEdit;
class QRadioButton;
class QTreeView;

namespace orvanel {

// The backup page: two folder trees pair a first and a second folder into a backup set
// "first;second", held only in Combobox11 while the page exists. sauvegarde.exe gets a set
// at once from the OK button, or from the scheduler every minute or every hour once a set
// is picked. Each build empties the picked set; the schedule stays as it was.
class BackupPage final : public Page
{
public:
    using Page::Page;

    void build(QWidget* panel) override;

    void CheckBox15Click();
    void scheduleChoiceClick();
    void BitBtn27Click();
    void BitBtn28Click();
    void BitBtn29Click();
    void Combobox11Select();
    void ShellTreeView4DblClick();
    void ShellTreeView5DblClick();

private:
    void addCheckBox(QWidget* panel);
    void addScheduleGroup(QWidget* panel);
    void addButtons(QWidget* panel);
    QTreeView* addFolderTree(QWidget* panel, QFileSystemModel* model, const QString& name,
                             int left);
    void takeFolder(QTreeView* tree, QLineEdit* field);

    QPointer<QCheckBox> m_checkBox15;
    QPointer<QRadioButton> m_minuteOption;
    QPointer<QRadioButton> m_hourOption;
    QPointer<QLineEdit> m_firstField;
    QPointer<QLineEdit> m_secondField;
    QPointer<QComboBox> m_combobox11;
    QPointer<QTreeView> m_shellTreeView4;
    QPointer<QTreeView> m_shellTreeView5;
};

} // namespace orvanel
