// The fixed controls of the main window and their handlers.
#include "app/MainWindow.h"

#include "pages/AppIcons.h"
#include "pages/CaptionFit.h"
#include "pages/CategoryListDelegate.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>

using namespace Qt::StringLiterals;

namespace orvanel {

namespace {

template <typename W> W* place(W* control, const char* name, const QRect& geometry)
{
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(geometry);
    return control;
}

} // namespace

void MainWindow::createControls()
{
    resize(784, 481);

    m_shape1 = place(new QFrame(this), "Shape1", {0, 0, 785, 49});
    m_shape1->setFrameShape(QFrame::Box);
    m_shape1->setAutoFillBackground(true);
    QPalette band = m_shape1->palette();
    band.setColor(QPalette::Window, QColor(0, 255, 255)); // aqua
    m_shape1->setPalette(band);

    m_listBox1 = place(new CategoryList(this), "ListBox1", {16, 48, 161, 385});
    m_listBox1->setItemDelegate(new CategoryListDelegate(&AppIcons::categoryPixmap, m_listBox1));
    m_listBox1->setUniformItemSizes(true);
    m_listBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(m_listBox1, &QListWidget::clicked, this, &MainWindow::ListBox1Click);
    m_listBox1->keyboardChoice = [this] { ListBox1Click(); };

    createLevelControls();

    m_statusBar1 = place(new QStatusBar(this), "StatusBar1", {0, 462, 784, 19});
    m_statusBar1->setSizeGripEnabled(false);

    createHiddenControls();
}

void MainWindow::createLevelControls()
{
    // The bevel first, so that the controls it frames lie above it.
    m_bevel2 = place(new QFrame(this), "Bevel2", {312, 416, 193, 41});
    m_bevel2->setFrameShape(QFrame::Box);
    m_bevel2->setFrameShadow(QFrame::Sunken);

    m_label12 = place(new QLabel(this), "Label12", {328, 416, 38, 13});
    m_label11 = place(new QLabel(this), "Label11", {384, 416, 38, 13});
    m_label10 = place(new QLabel(this), "Label10", {432, 416, 38, 13});

    m_trackBar1 = place(new QSlider(Qt::Horizontal, this), "TrackBar1", {320, 432, 150, 17});
    m_trackBar1->setRange(1, 3);
    m_trackBar1->setPageStep(1);
    m_trackBar1->setValue(1);
    connect(m_trackBar1, &QSlider::valueChanged, this, &MainWindow::TrackBar1Change);

    m_bitBtn15 = place(new QPushButton(this), "BitBtn15", {256, 424, 49, 33});
    m_bitBtn15->setToolTip(u"Internet"_s);
    m_bitBtn15->setLayoutDirection(Qt::RightToLeft);
    m_bitBtn15->setIcon(AppIcons::internetGlyph(m_panel.state().internet));
    m_bitBtn15->setIconSize(QSize(16, 16));
    connect(m_bitBtn15, &QPushButton::clicked, this, &MainWindow::BitBtn15Click);
}

void MainWindow::createHiddenControls()
{
    const int tops[] = {104, 136, 176};
    for (int i = 0; i < 3; ++i) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(u"Edit%1"_s.arg(i + 1));
        edit->setGeometry(216, tops[i], 121, 21);
        edit->hide();
        editSlot(i + 1) = edit;
    }
    m_fileListBox5 = place(new QListWidget(this), "FileListBox5", {520, 64, 145, 97});
    m_fileListBox5->hide();
}

void MainWindow::showLevelControls()
{
    for (QWidget* control : std::initializer_list<QWidget*>{m_bevel2, m_trackBar1, m_bitBtn15,
                                                            m_label10, m_label11, m_label12})
        control->setVisible(true);
}

void MainWindow::fillCategoryList()
{
    m_listBox1->clear();
    for (const PageKey& key : categoryKeys())
        m_listBox1->addItem(keyText(key));
    m_listBox1->setCurrentRow(-1);
    setLevelCaption(m_label10, m_panel.texts().text(49));
    setLevelCaption(m_label11, m_panel.texts().text(50));
    setLevelCaption(m_label12, m_panel.texts().text(51));
    captionfit::fitAsOne({m_label10, m_label11, m_label12});
}

void MainWindow::setLevelCaption(QLabel* label, const QString& text)
{
    // The level captions sit side by side in 38 pixels each; fillCategoryList fits the
    // three as one.
    label->setText(text);
}

void MainWindow::setCaptionAndClearEdits()
{
    // No application display name is set: the desktop would show it after the caption.
    setWindowTitle(u"Orvanel "_s);
    for (int n = 1; n <= 3; ++n) {
        if (QLineEdit* edit = editSlot(n))
            edit->clear();
    }
}

void MainWindow::ListBox1Click()
{
    const int row = m_listBox1->currentRow();
    if (row < 0)
        return;
    m_panel.refreshLanguageWords();
    const QString caption = m_listBox1->item(row)->text();
    m_pageHost.dispatch(caption, [this](const PageKey& key) { return keyText(key); });
    m_heapRelease.start();
}

QString MainWindow::keyText(const PageKey& key) const
{
    // The links and memory words are built in per language; every other key is a
    // text-table entry.
    switch (key.kind) {
    case PageKey::Kind::LinksWord:
        return m_panel.linksWord();
    case PageKey::Kind::MemoryWord:
        return m_panel.memoryWord();
    case PageKey::Kind::Entry:
        break;
    }
    return m_panel.texts().text(key.entry);
}

void MainWindow::TrackBar1Change(int position)
{
    m_panel.setAlertLevel(position);
}

void MainWindow::BitBtn15Click()
{
    m_panel.toggleInternet();
}

} // namespace orvanel
