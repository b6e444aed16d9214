#pragma once

#include "pages/Page.h"

#include <QPointer>
#include <QString>

class QComboBox;
class QGroupBox;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace orvanel {

// The scan page: starts and stops the on-demand scan engine scanwapper.exe with the scan
// type chosen here, turns the hourly scan on or off, shows the scan log anaviri.txt and
// scans a whole volume chosen in the drive box. The start button stays disabled after a
// start until the scheduler sees scanwapper.exe gone.
class ScanPage final : public Page
{
public:
    using Page::Page;

    void build(QWidget* panel) override;
    // Enables BitBtn22 again: the scheduler calls it in every tick without a scan.
    void schedulerIdle() override;

    void BitBtn22Click();
    void BitBtn23Click();
    void radiobutton12Click();
    void DriveCombobox1Change();

    // "0", "1" or "2" by the selected scan-type button; empty when none is.
    QString scanType() const;

private:
    void addButtons(QWidget* panel);
    void addHourlyGroup(QWidget* panel);
    void addScanTypeGroup(QWidget* panel);
    void addLogAndDrives(QWidget* panel);
    void loadScanLog();
    void selectWorkspaceVolume();
    // Writes analyse.txt and ends every running scanwapper.exe.
    void writeTypeAndStopScans(const QString& type);

    QPointer<QPushButton> m_bitBtn22;
    QPointer<QPushButton> m_bitBtn23;
    QPointer<QRadioButton> m_radiobutton12;
    QPointer<QRadioButton> m_hourlyOff;
    QPointer<QRadioButton> m_type[3];
    QPointer<QPlainTextEdit> m_scanLog;
    QPointer<QComboBox> m_driveCombobox1;
};

} // namespace orvanel
