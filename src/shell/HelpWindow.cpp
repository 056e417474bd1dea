#include "shell/HelpWindow.h"

#include "shell/WindowState.h"

#include <QAbstractTextDocumentLayout>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStyle>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int AnchorRole = Qt::UserRole;       // the heading's anchor name, "" when none
constexpr int PositionRole = Qt::UserRole + 1; // where the heading starts in the document
constexpr int DeepestListedHeading = 3;

// The first anchor name in a block (an id on the heading or a named link inside it).
QString anchorOf(const QTextBlock& block) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QStringList names = it.fragment().charFormat().anchorNames();
        if (!names.isEmpty()) {
            return names.front();
        }
    }
    return {};
}

QString canonicalFolder(const QString& folder) {
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? QDir(folder).absolutePath() : canonical;
}

} // namespace

TfHelp::TfHelp(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("fHelp"));
    setWindowTitle(QStringLiteral("Quorvin V4 Help"));
    resize(960, 680);

    auto* bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->setIconSize(QSize(16, 16));
    Back = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("&Back"));
    Back->setShortcut(QKeySequence::Back);
    Back->setToolTip(QStringLiteral("Back to the place shown before (Alt+Left)"));
    Forward =
        bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("&Forward"));
    Forward->setShortcut(QKeySequence::Forward);
    Forward->setToolTip(QStringLiteral("Forward again (Alt+Right)"));
    Home =
        bar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("&Contents"));
    Home->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Home));
    Home->setToolTip(QStringLiteral("The first help page (Alt+Home)"));
    Back->setEnabled(false);
    Forward->setEnabled(false);

    auto* close = new QAction(this);
    close->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence::Close});
    addAction(close);
    connect(close, &QAction::triggered, this, &QWidget::close);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    Contents = new QTreeWidget(splitter);
    Contents->setObjectName(QStringLiteral("helpContents"));
    Contents->setHeaderLabel(QStringLiteral("Contents"));
    Contents->setRootIsDecorated(false);
    Contents->setIndentation(14);
    Browser = new QTextBrowser(splitter);
    Browser->setObjectName(QStringLiteral("helpText"));
    // Every link comes to FollowLink, which decides where it opens.
    Browser->setOpenLinks(false);
    Browser->setOpenExternalLinks(false);
    splitter->addWidget(Contents);
    splitter->addWidget(Browser);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({220, 740});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(splitter, 1);

    connect(Back, &QAction::triggered, Browser, &QTextBrowser::backward);
    connect(Forward, &QAction::triggered, Browser, &QTextBrowser::forward);
    connect(Home, &QAction::triggered, this, [this] { Browser->setSource(HomePage); });
    connect(Browser, &QTextBrowser::backwardAvailable, Back, &QAction::setEnabled);
    connect(Browser, &QTextBrowser::forwardAvailable, Forward, &QAction::setEnabled);
    connect(Browser, &QTextBrowser::anchorClicked, this, &TfHelp::FollowLink);
    connect(Browser, &QTextBrowser::sourceChanged, this, &TfHelp::sourceChanged);
    connect(Contents, &QTreeWidget::itemClicked, this, &TfHelp::contentsClicked);
    connect(Contents, &QTreeWidget::itemActivated, this, &TfHelp::contentsClicked);

    OpenExternal = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    Warn = [this](const QString& text) { QMessageBox::warning(this, "Warning", text); };
}

TfHelp::~TfHelp() {
    if (PlacementLoaded) {
        SaveWindowState(*this, "fHelp");
    }
}

void TfHelp::closeEvent(QCloseEvent* event) {
    if (PlacementLoaded) {
        SaveWindowState(*this, "fHelp");
    }
    QWidget::closeEvent(event);
}

bool TfHelp::ShowPage(const QString& file, const QString& anchor) {
    const QFileInfo info(file);
    if (!info.isFile()) {
        return false;
    }
    Folder = canonicalFolder(info.absolutePath());
    HomePage = QUrl::fromLocalFile(info.absoluteFilePath());
    QUrl target = HomePage;
    if (!anchor.isEmpty()) {
        target.setFragment(anchor);
    }
    if (!PlacementLoaded) {
        // Over the window that asked for it, until the user has placed it elsewhere.
        if (const QWidget* owner = parentWidget()) {
            QPoint at = owner->frameGeometry().center() - rect().center();
            if (const QScreen* screen = owner->screen()) {
                const QRect area = screen->availableGeometry();
                at.setX(std::clamp(at.x(), area.left(),
                                   std::max(area.left(), area.right() + 1 - width())));
                at.setY(std::clamp(at.y(), area.top(),
                                   std::max(area.top(), area.bottom() + 1 - height())));
            }
            move(at);
        }
        LoadWindowState(*this, "fHelp");
        PlacementLoaded = true;
    }
    Browser->setSource(target);
    if (isMinimized()) {
        showNormal();
    }
    show();
    raise();
    activateWindow();
    Browser->setFocus();
    return true;
}

bool TfHelp::IsHelpLink(const QUrl& resolved) const {
    if (!resolved.isLocalFile() || Folder.isEmpty()) {
        return false;
    }
    const QFileInfo info(resolved.toLocalFile());
    const QString suffix = info.suffix().toLower();
    if (suffix != QLatin1String("htm") && suffix != QLatin1String("html")) {
        return false; // a picture, a PDF or a text file: its own program shows it best
    }
    const QString folder = canonicalFolder(info.absolutePath());
    return folder == Folder || folder.startsWith(Folder + QLatin1Char('/'));
}

void TfHelp::FollowLink(const QUrl& link) {
    const QUrl resolved = Browser->source().resolved(link);
    if (IsHelpLink(resolved)) {
        if (!QFileInfo(resolved.toLocalFile()).isFile()) {
            Warn(QStringLiteral("Cannot find the help page \"%1\".")
                     .arg(QDir::toNativeSeparators(resolved.toLocalFile())));
            return;
        }
        Browser->setSource(resolved);
        return;
    }
    if (!OpenExternal(resolved)) {
        Warn(QStringLiteral("No program on this computer opens \"%1\".")
                 .arg(resolved.toDisplayString()));
    }
}

void TfHelp::sourceChanged(const QUrl& source) {
    const QUrl page = source.adjusted(QUrl::RemoveFragment);
    if (page != Page) {
        Page = page;
        const QString title = Browser->documentTitle();
        setWindowTitle(title.isEmpty() ? QStringLiteral("Quorvin V4 Help")
                                       : title + QStringLiteral(" - Help"));
        rebuildContents();
    }
    markContents(source.fragment());
}

void TfHelp::rebuildContents() {
    const QSignalBlocker quiet(Contents);
    Contents->clear();
    QTreeWidgetItem* last[DeepestListedHeading + 1] = {};
    for (QTextBlock block = Browser->document()->begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level < 1 || level > DeepestListedHeading || block.text().trimmed().isEmpty()) {
            continue;
        }
        // Under the nearest heading above it of a higher level, else at the top.
        QTreeWidgetItem* parent = nullptr;
        for (int l = level - 1; l >= 1 && !parent; --l) {
            parent = last[l];
        }
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(Contents);
        item->setText(0, block.text().simplified());
        item->setData(0, AnchorRole, anchorOf(block));
        item->setData(0, PositionRole, block.position());
        last[level] = item;
        for (int l = level + 1; l <= DeepestListedHeading; ++l) {
            last[l] = nullptr;
        }
    }
    Contents->expandAll();
}

void TfHelp::contentsClicked(QTreeWidgetItem* item) {
    if (!item) {
        return;
    }
    const QString anchor = item->data(0, AnchorRole).toString();
    if (!anchor.isEmpty()) {
        QUrl target = Page;
        target.setFragment(anchor);
        Browser->setSource(target); // a place in the history, as a link to it would be
        return;
    }
    // A heading without an anchor: scrolled to, as the page has no name for the place.
    const QTextBlock block = Browser->document()->findBlock(item->data(0, PositionRole).toInt());
    const QRectF box = Browser->document()->documentLayout()->blockBoundingRect(block);
    Browser->verticalScrollBar()->setValue(static_cast<int>(box.top()));
}

void TfHelp::markContents(const QString& fragment) {
    const QSignalBlocker quiet(Contents);
    if (fragment.isEmpty()) {
        Contents->setCurrentItem(nullptr);
        return;
    }
    for (QTreeWidgetItemIterator it(Contents); *it; ++it) {
        if ((*it)->data(0, AnchorRole).toString() == fragment) {
            Contents->setCurrentItem(*it);
            Contents->scrollToItem(*it);
            return;
        }
    }
}
