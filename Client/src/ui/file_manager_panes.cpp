// The file manager's two panes, built alike: a flat list of one folder with a path line and a
// button up, the same columns (name with its icon, size, type) sized to what they hold.
#include <QAbstractButton>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "ui/file_manager_dialog.h"
#include "ui/icons.h"

namespace nimbral {

namespace {

// The local pane drawn as the remote one is: our folder and file icons, and "Folder" or "File"
// as the type (the file system model's own would be the theme's icons and MIME descriptions).
class LocalFileLook : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const auto* model = qobject_cast<const QFileSystemModel*>(index.model());
        if (model == nullptr) {
            return;
        }
        const bool folder = model->isDir(index);
        if (index.column() == 0) {
            option->icon = folder ? m_folder : m_file;
            option->features |= QStyleOptionViewItem::HasDecoration;
        } else if (index.column() == 2) {
            option->text = FileManagerDialog::typeText(folder);
        }
    }

private:
    QIcon m_folder = nimbralIcon(QStringLiteral("folder"));
    QIcon m_file = nimbralIcon(QStringLiteral("file"));
};

// Name takes the room left; size and type are as wide as their widest entry.
void sizeColumnsToContent(QHeaderView* header) {
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(2, QHeaderView::ResizeToContents);
}

// A pane's title, then its button up beside the line naming the folder shown.
struct PaneTop {
    QVBoxLayout* layout;
    QPushButton* up;
    QLabel* path;
};
PaneTop paneTop(QWidget* pane, const QString& title) {
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(title, pane));
    auto* up = new QPushButton(pane);
    up->setIcon(nimbralIcon(QStringLiteral("arrow_back")));
    up->setToolTip(FileManagerDialog::tr("Go up one directory"));
    up->setProperty("look", QStringLiteral("flat"));
    up->setAutoDefault(false); // Enter belongs to the lists
    auto* path = new QLabel(pane);
    auto* row = new QHBoxLayout;
    row->addWidget(up);
    row->addWidget(path, 1);
    layout->addLayout(row);
    return {layout, up, path};
}

} // namespace

QString FileManagerDialog::typeText(bool folder) {
    return folder ? tr("Folder") : tr("File");
}

QWidget* FileManagerDialog::buildRemotePane(QWidget* parent) {
    auto* remotePane = new QWidget(parent);
    const PaneTop top = paneTop(remotePane, tr("<b>Remote Computer</b>"));
    QVBoxLayout* remoteLayout = top.layout;
    connect(top.up, &QPushButton::clicked, this, &FileManagerDialog::onRemoteBackClicked);
    m_pathLabel = top.path;
    m_remoteList = new QTreeWidget(remotePane);
    m_remoteList->setObjectName(QStringLiteral("remoteList"));
    m_remoteList->setHeaderLabels({tr("Name"), tr("Size"), tr("Type")});
    sizeColumnsToContent(m_remoteList->header());
    m_remoteList->setSortingEnabled(true);
    m_remoteList->sortByColumn(0, Qt::AscendingOrder);
    m_remoteList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_remoteList->setRootIsDecorated(false);
    // A double click, or Enter on the current row, opens a folder.
    connect(m_remoteList, &QTreeWidget::itemActivated, this,
            &FileManagerDialog::onRemoteItemDoubleClicked);
    remoteLayout->addWidget(m_remoteList, 1);
    return remotePane;
}

QWidget* FileManagerDialog::buildTransferButtons(QWidget* parent) {
    auto* middle = new QWidget(parent);
    auto* middleLayout = new QVBoxLayout(middle);
    middleLayout->setContentsMargins(2, 0, 2, 0);
    middleLayout->addStretch();
    // Icons only, with the words in the tool tip: the width goes to the names in the lists.
    const auto transferButton = [middle](const char* icon, const QString& toolTip) {
        auto* button = new QPushButton(nimbralIcon(QString::fromLatin1(icon)), QString(), middle);
        button->setToolTip(toolTip);
        button->setAccessibleName(toolTip);
        button->setAutoDefault(false);
        return button;
    };
    QPushButton* download =
        transferButton("download", tr("Download selected remote file to local"));
    connect(download, &QPushButton::clicked, this, &FileManagerDialog::onDownloadClicked);
    QPushButton* upload = transferButton("upload", tr("Upload selected local file to remote"));
    connect(upload, &QPushButton::clicked, this, &FileManagerDialog::onUploadClicked);
    middleLayout->addWidget(download);
    middleLayout->addWidget(upload);
    middleLayout->addStretch();
    return middle;
}

QWidget* FileManagerDialog::buildLocalPane(QWidget* parent) {
    auto* localPane = new QWidget(parent);
    const PaneTop top = paneTop(localPane, tr("<b>Local Computer</b>"));
    QVBoxLayout* localLayout = top.layout;
    connect(top.up, &QPushButton::clicked, this, [this] {
        QDir folder(m_localModel->filePath(m_localTree->rootIndex()));
        if (folder.cdUp()) {
            showLocalFolder(folder.absolutePath());
        }
    });
    m_localPathLabel = top.path;
    m_localModel = new QFileSystemModel(this);
    m_localModel->setFilter(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    m_localTree = new QTreeView(localPane);
    m_localTree->setObjectName(QStringLiteral("localList"));
    m_localTree->setModel(m_localModel);
    m_localTree->setItemDelegate(new LocalFileLook(m_localTree));
    m_localTree->setRootIsDecorated(false);
    m_localTree->setItemsExpandable(false);
    m_localTree->hideColumn(3); // the remote side has no dates to set beside them
    sizeColumnsToContent(m_localTree->header());
    m_localTree->setSortingEnabled(true);
    m_localTree->sortByColumn(0, Qt::AscendingOrder);
    m_localTree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(m_localTree, &QTreeView::activated, this, [this](const QModelIndex& index) {
        if (m_localModel->isDir(index)) {
            showLocalFolder(m_localModel->filePath(index));
        }
    });
    localLayout->addWidget(m_localTree, 1);
    showLocalFolder(QDir::homePath());
    return localPane;
}

void FileManagerDialog::showLocalFolder(const QString& path) {
    m_localTree->setRootIndex(m_localModel->setRootPath(path));
    m_localTree->setCurrentIndex({});
    m_localPathLabel->setText(
        tr("<b>Local: </b>%1").arg(QDir::toNativeSeparators(path).toHtmlEscaped()));
}

QLayout* FileManagerDialog::buildProgressRow() {
    auto* transfer = new QHBoxLayout;
    m_progress = new QProgressBar(this);
    m_progress->setTextVisible(true);
    m_progress->setRange(0, 100);
    transfer->addWidget(m_progress, 2);
    m_overall = new QProgressBar(this);
    m_overall->setTextVisible(true);
    m_overall->setFormat(tr("%v of %m files"));
    transfer->addWidget(m_overall, 1);
    m_rate = new QLabel(this);
    transfer->addWidget(m_rate);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setAutoDefault(false);
    connect(m_cancel, &QPushButton::clicked, this, &FileManagerDialog::onCancelClicked);
    transfer->addWidget(m_cancel);
    return transfer;
}

} // namespace nimbral
