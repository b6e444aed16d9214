#pragma once

#include "pages/Page.h"
#include "workspace/DuplicateRecord.h"

#include <QPointer>
#include <QStringList>

#include <chrono>
#include <optional>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

namespace orvanel {

// The folder search page: scandisk.exe records the files of a chosen folder (step 1),
// lists the copies of them elsewhere in liste2.txt (step 2) and forgets the record
// (step 0); step 3 deletes the listed files the user has not ticked, each only when it
// still is a byte-for-byte copy of its original; the others are kept and named.
//
// The engine gets a fixed time for each step (21 s, 42 s for step 2) rather than being
// watched: the step buttons stay disabled meanwhile, but the window goes on painting and
// answering. The wait is a timer owned by the step label, so leaving the page ends it
// with the page's controls.
class FolderSearchPage final : public Page
{
public:
    static constexpr std::chrono::milliseconds DefaultPause{10500};

    using Page::Page;

    void build(QWidget* panel) override;

    void BitBtn9Click();  // step 1
    void BitBtn10Click(); // step 2
    void BitBtn11Click(); // step 3
    void BitBtn12Click(); // step 0
    void CheckListBox2Click();
    void DirectoryListBox2Change(const QString& directory);

    // Length of one pause of the waits; tests shorten it.
    void setPauseLength(std::chrono::milliseconds pause) { m_pause = pause; }
    // Whether a step's wait is under way.
    bool isWaiting() const;

private:
    enum class Step { Zero, One, Two };

    void createStepButtons(QWidget* panel);
    void createListAndFolder(QWidget* panel);
    void beginWait(Step step, const QStringList& arguments, int pauses);
    void pauseEnded();
    void endWait();
    void readFoundFiles();
    // The record of step 1 as the engine left it; nothing when there is none.
    std::optional<DuplicateRecord> readRecord() const;
    void setStepButtonsEnabled(bool enabled);

    QPointer<QPushButton> m_stepButtons[4];
    QPointer<QListWidget> m_checkListBox2;
    QPointer<QLineEdit> m_edit3;
    QPointer<QLabel> m_stepLabel;
    QPointer<QTimer> m_wait;
    Step m_step = Step::Zero;
    qint64 m_runStartMs = 0; // when the step under way removed its old result
    int m_pausesLeft = 0;
    std::chrono::milliseconds m_pause = DefaultPause;
};

} // namespace orvanel
