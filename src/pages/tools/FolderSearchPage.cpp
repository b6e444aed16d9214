#include "pages/tools/FolderSearchPage.h"

#include "pages/PageControls.h"
#include "pages/PanelContext.h"
#include "workspace/EngineControl.h"
#include "workspace/Names.h"
#include "workspace/SideFiles.h"
#include "workspace/WorkspaceFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace orvanel {

namespace {

// liste2.txt is one path per line; a list larger than this is not one the engine wrote.
constexpr qint64 MaxFoundListBytes = 64 * 1024 * 1024;
// The engine records at most 100,000 files, one line each.
constexpr qint64 MaxRecordBytes = 64 * 1024 * 1024;
// A file's time comes from the kernel's coarse clock, which may lag the clock read here
// by a few milliseconds.
constexpr qint64 kClockSlackMs = 1000;
constexpr int kKeptNamesShown = 10;

using files::Descriptor;

constexpr int kReadFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

// Whether the two open regular files hold the same bytes; false on any read failure.
bool sameBytes(int a, int b, qint64 size)
{
    std::vector<char> left(64 * 1024), right(64 * 1024);
    for (qint64 offset = 0; offset < size;) {
        const std::size_t want = std::size_t(std::min<qint64>(size - offset, qint64(left.size())));
        const ssize_t n = ::pread(a, left.data(), want, offset);
        if (n <= 0 || ::pread(b, right.data(), std::size_t(n), offset) != n ||
            std::memcmp(left.data(), right.data(), std::size_t(n)) != 0)
            return false;
        offset += n;
    }
    return true;
}

// Whether the open file (its status in copy) is a byte-for-byte copy of one of the
// record's originals as they are now; another name of the same file is none.
bool isCopyOfARecordedFile(int fd, const struct stat& copy, const DuplicateRecord& record)
{
    for (const RecordedFile& original : record.files) {
        if (original.size != copy.st_size)
            continue;
        const Descriptor in(::open(QFile::encodeName(original.path).constData(), kReadFlags));
        struct stat st
        {
        };
        if (in.get() < 0 || ::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
            st.st_size != copy.st_size || (st.st_dev == copy.st_dev && st.st_ino == copy.st_ino))
            continue;
        if (sameBytes(fd, in.get(), copy.st_size))
            return true;
    }
    return false;
}

// Deletes the file when it still is a copy of a recorded original: the name deleted is
// the file that was compared, never one put in its place meanwhile.
bool deleteIfStillACopy(const QString& path, const DuplicateRecord& record)
{
    const QFileInfo info(path);
    const Descriptor folder(
        ::open(QFile::encodeName(info.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const QByteArray name = QFile::encodeName(info.fileName());
    const Descriptor file(folder.get() < 0 ? -1
                                           : ::openat(folder.get(), name.constData(), kReadFlags));
    struct stat copy
    {
    };
    if (file.get() < 0 || ::fstat(file.get(), &copy) != 0 || !S_ISREG(copy.st_mode) ||
        copy.st_size == 0 || !isCopyOfARecordedFile(file.get(), copy, record))
        return false;
    struct stat now
    {
    };
    return ::fstatat(folder.get(), name.constData(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
           now.st_dev == copy.st_dev && now.st_ino == copy.st_ino &&
           ::unlinkat(folder.get(), name.constData(), 0) == 0;
}

QString keptFilesText(const QStringList& kept)
{
    QString text = u"%1 file(s) were kept: each is no longer a copy of its original, or could "
                   u"not be compared with it."_s.arg(kept.size());
    for (const QString& path : kept.mid(0, kKeptNamesShown))
        text += u'\n' + path;
    if (kept.size() > kKeptNamesShown)
        text += u"\n…"_s;
    return text;
}

// Edit3KeyPress: only the digits and backspace reach the field.
class DigitKeysOnly final : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        const bool digit = text.size() == 1 && text.front() >= u'0' && text.front() <= u'9';
        return !(digit || key->key() == Qt::Key_Backspace);
    }
};

} // namespace

void FolderSearchPage::build(QWidget* panel)
{
    createStepButtons(panel);
    createListAndFolder(panel);
    m_stepLabel = new QLabel(panel);
    m_stepLabel->setObjectName(u"step label"_s);
    m_stepLabel->setGeometry(240, 24, 42, 13);
    m_stepLabel->show();
    // Owned by a control: freeing the page's controls ends a wait under way.
    m_wait = new QTimer(m_stepLabel);
    m_wait->setObjectName(u"StepWait"_s);
    m_wait->setSingleShot(true);
    QObject::connect(m_wait, &QTimer::timeout, m_wait, [this] { pauseEnded(); });
}

void FolderSearchPage::createStepButtons(QWidget* panel)
{
    const struct
    {
        const char* name;
        QRect geometry;
        QString caption;
        void (FolderSearchPage::*handler)();
    } buttons[] = {
        {"BitBtn9", {136, 272, 75, 25}, u"1"_s, &FolderSearchPage::BitBtn9Click},
        {"BitBtn10", {232, 272, 75, 25}, u"2"_s, &FolderSearchPage::BitBtn10Click},
        {"BitBtn11", {336, 272, 75, 25}, u"3"_s, &FolderSearchPage::BitBtn11Click},
        {"BitBtn12", {48, 272, 75, 25}, u"0"_s, &FolderSearchPage::BitBtn12Click},
    };
    int i = 0;
    for (const auto& b : buttons) {
        QPushButton* button =
            makeGlyphButton(panel, QLatin1StringView(b.name), GlyphKind::OK, b.geometry, b.caption);
        QObject::connect(button, &QPushButton::clicked, button,
                         [this, handler = b.handler] { (this->*handler)(); });
        m_stepButtons[i++] = button;
    }
}

void FolderSearchPage::createListAndFolder(QWidget* panel)
{
    m_checkListBox2 = new QListWidget(panel);
    m_checkListBox2->setObjectName(u"CheckListBox2"_s);
    m_checkListBox2->setGeometry(24, 64, 361, 209);
    // Two columns: entries run down the first column, then the second.
    m_checkListBox2->setFlow(QListView::TopToBottom);
    m_checkListBox2->setWrapping(true);
    m_checkListBox2->setGridSize(QSize((361 - 4) / 2, 17));
    QObject::connect(m_checkListBox2, &QListWidget::itemClicked, m_checkListBox2,
                     [this] { CheckListBox2Click(); });
    m_checkListBox2->show();

    auto* directories = new QTreeView(panel);
    directories->setObjectName(u"DirectoryListBox2"_s);
    directories->setGeometry(424, 24, 145, 193);
    auto* model = new QFileSystemModel(directories);
    model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    model->setRootPath(u"/"_s);
    directories->setModel(model);
    directories->setRootIndex(model->index(u"/"_s));
    directories->setHeaderHidden(true);
    for (int column = 1; column < model->columnCount(); ++column)
        directories->hideColumn(column);
    QObject::connect(directories->selectionModel(), &QItemSelectionModel::currentChanged,
                     directories, [this, model](const QModelIndex& current) {
                         DirectoryListBox2Change(model->filePath(current));
                     });
    directories->show();

    m_edit3 = new QLineEdit(panel);
    m_edit3->setObjectName(u"Edit3"_s);
    m_edit3->setGeometry(424, 232, 145, 21);
    m_edit3->setReadOnly(true);
    m_edit3->installEventFilter(new DigitKeysOnly(m_edit3));
    m_edit3->show();
    context().editSlot(3) = m_edit3.data();
}

bool FolderSearchPage::isWaiting() const
{
    return m_wait && m_wait->isActive();
}

void FolderSearchPage::BitBtn9Click()
{
    // The folder is one argument, blanks and quotes included; none when none is chosen.
    QStringList arguments{u"1"_s};
    if (!m_edit3->text().isEmpty())
        arguments.append(m_edit3->text());
    beginWait(Step::One, arguments, 2);
}

void FolderSearchPage::BitBtn12Click()
{
    beginWait(Step::Zero, {u"0"_s, u"0"_s}, 2);
}

void FolderSearchPage::BitBtn10Click()
{
    beginWait(Step::Two, {u"2"_s}, 4);
}

void FolderSearchPage::beginWait(Step step, const QStringList& arguments, int pauses)
{
    m_stepLabel->setText(context().texts().text(66));
    setStepButtonsEnabled(false);
    // What an earlier run left must never pass for this run's result: the step's result
    // file goes first, and a list older than this start is not read.
    m_runStartMs = QDateTime::currentMSecsSinceEpoch();
    const QString workspace = context().state().workspaceDir;
    if (step == Step::One)
        QFile::remove(workspace + QString(names::DuplicateRecordFile));
    if (step == Step::Two)
        QFile::remove(workspace + QString(names::FoundFilesFile));
    // A start failure is not reported: the wait and what follows happen all the same.
    context().engines().start(names::DiskScanEngine, arguments);
    m_step = step;
    m_pausesLeft = pauses;
    m_wait->start(m_pause);
}

void FolderSearchPage::pauseEnded()
{
    if (--m_pausesLeft > 0) {
        m_wait->start(m_pause);
        return;
    }
    endWait();
}

void FolderSearchPage::endWait()
{
    if (m_step == Step::Two)
        readFoundFiles();
    else
        context().engines().notify(m_step == Step::One ? u"ok1"_s : u"ok0"_s,
                                   context().state().alertLevel);
    setStepButtonsEnabled(true);
    m_stepLabel->setText(context().texts().text(67));
}

void FolderSearchPage::readFoundFiles()
{
    const QString path = context().state().workspaceDir + QString(names::FoundFilesFile);
    // The engine writes the list whole at its end; one from before this start (an earlier
    // run, a list that could not be removed) is not this search's result.
    const QFileInfo written(path);
    if (!written.exists() ||
        written.lastModified().toMSecsSinceEpoch() < m_runStartMs - kClockSlackMs)
        return; // the list stays as it was
    // Nothing when liste2.txt is no regular file or longer than any list written.
    const auto lines = sidefiles::readLines(path, nullptr, MaxFoundListBytes);
    if (!lines)
        return; // the list stays as it was
    m_checkListBox2->clear();
    const QString folder = m_edit3->text();
    for (QString line : *lines) {
        line.replace(u":\\\\"_s, u":\\"_s);
        if (!folder.isEmpty() && line.contains(folder))
            continue; // inside the chosen folder: the originals, not copies
        if (!QDir::isAbsolutePath(line) || !QFileInfo(line).isFile())
            continue;
        auto* item = new QListWidgetItem(line, m_checkListBox2);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

void FolderSearchPage::BitBtn11Click()
{
    platform::Prompt& prompt = *context().services().prompt;
    if (!prompt.askYesNo(context().texts().text(65)))
        return;
    setStepButtonsEnabled(false);
    // Files change after the search: each is compared with its original once more, and
    // only a file that still is a copy of one is deleted.
    const std::optional<DuplicateRecord> record = readRecord();
    QStringList kept;
    for (int row = 0; row < m_checkListBox2->count(); ++row) {
        const QListWidgetItem* item = m_checkListBox2->item(row);
        if (item->checkState() != Qt::Unchecked || !QFileInfo(item->text()).isFile())
            continue;
        if (!record || !deleteIfStillACopy(item->text(), *record))
            kept.append(item->text());
    }
    setStepButtonsEnabled(true);
    if (!kept.isEmpty())
        prompt.showError(keptFilesText(kept));
}

std::optional<DuplicateRecord> FolderSearchPage::readRecord() const
{
    const files::ReadResult file = files::readWhole(
        context().state().workspaceDir + QString(names::DuplicateRecordFile), MaxRecordBytes);
    if (!file.ok())
        return std::nullopt;
    return recordFromText(QString::fromUtf8(file.bytes));
}

void FolderSearchPage::CheckListBox2Click()
{
    if (m_checkListBox2->count() > 0 && m_checkListBox2->currentItem())
        m_checkListBox2->setToolTip(m_checkListBox2->currentItem()->text());
}

void FolderSearchPage::DirectoryListBox2Change(const QString& directory)
{
    m_edit3->setText(directory);
}

void FolderSearchPage::setStepButtonsEnabled(bool enabled)
{
    for (const QPointer<QPushButton>& button : m_stepButtons)
        button->setEnabled(enabled);
}

} // namespace orvanel

#include "FolderSearchPage.moc"
