#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace orvanel {

// The about box: the maker's name, the version, the notice line and the maker's
// addresses. Shown without being modal; closing it only hides it, and it stays in
// memory (owned by the main window) until the program ends.
class AboutBox final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AboutBox)

public:
    explicit AboutBox(QWidget* parent = nullptr);

    // OKButton: hides this box, and this box only.
    void OKButtonClick();

private:
    QLabel* addLabel(QWidget* panel, const char* objectName, int top, const QString& text);
    void placeAtScreenCentre();
};

} // namespace orvanel
