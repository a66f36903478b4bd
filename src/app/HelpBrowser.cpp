#include "app/HelpBrowser.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPushButton>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

// The pages are compiled into the static library; this makes sure the
// linker keeps them and registers them once.
static void initHelpPages()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(help);
        return true;
    }();
    (void)done;
}

namespace velmora {
namespace {

const char* const kFolder = ":/help";

QUrl pageUrl(int context)
{
    return QUrl(QStringLiteral("qrc:/help/%1.html").arg(context));
}

} // namespace

HelpBrowser::HelpBrowser(QWidget* parent) : QWidget(parent, Qt::Window)
{
    initHelpPages();
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(tr("Velmora Help"));
    resize(820, 560);

    auto* back = new QPushButton(tr("&Back"), this);
    auto* forward = new QPushButton(tr("&Forward"), this);
    auto* home = new QPushButton(tr("&Contents"), this);
    back->setObjectName(QStringLiteral("btnBack"));
    forward->setObjectName(QStringLiteral("btnForward"));
    home->setObjectName(QStringLiteral("btnContents"));
    back->setEnabled(false);
    forward->setEnabled(false);

    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("edSearch"));
    search_->setPlaceholderText(tr("Search the help"));
    search_->setClearButtonEnabled(true);
    results_ = new QListWidget(this);
    results_->setObjectName(QStringLiteral("lbTopics"));
    browser_ = new QTextBrowser(this);
    // The pages are printed matter: dark text on white paper, whatever the
    // panel colours of the rest of the program.
    QPalette paper = browser_->palette();
    paper.setColor(QPalette::Base, Qt::white);
    paper.setColor(QPalette::Text, Qt::black);
    paper.setColor(QPalette::Link, QColor(0x20, 0x50, 0xA0));
    browser_->setPalette(paper);
    // One style for every page, so the pages hold only their text.
    browser_->document()->setDefaultStyleSheet(
        QStringLiteral("body { font-family: sans-serif; }"
                       "h1 { color: #303a60; }"
                       "h2 { color: #303a60; margin-top: 14px; }"
                       "td, th { padding: 2px 10px 2px 2px; }"
                       "th { text-align: left; background: #dde2ee; }"
                       "a { color: #2050a0; }"));
    browser_->setObjectName(QStringLiteral("tbHelp"));
    browser_->setOpenExternalLinks(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addWidget(home);
    buttons->addStretch();

    auto* side = new QWidget(this);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->addWidget(search_);
    sideLayout->addWidget(results_);
    auto* splitter = new QSplitter(this);
    splitter->addWidget(side);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({220, 600});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(splitter, 1);

    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(home, &QPushButton::clicked, this, [this] { showTopic(kContents); });
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
    connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) { search(text); });
    connect(search_, &QLineEdit::returnPressed, this, [this] { openListed(0); });
    connect(results_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { openListed(results_->row(item)); });
    connect(results_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { openListed(results_->row(item)); });

    loadPages();
    search({});
    browser_->setSource(pageUrl(kContents));
}

void HelpBrowser::loadPages()
{
    const QDir folder(QString::fromLatin1(kFolder), QStringLiteral("*.html"));
    for (const QString& file : folder.entryList(QDir::Files)) {
        bool ok = false;
        const int context = QFileInfo(file).baseName().toInt(&ok);
        QFile page(folder.filePath(file));
        if (!ok || !page.open(QIODevice::ReadOnly))
            continue;
        QTextDocument document;
        document.setHtml(QString::fromUtf8(page.readAll()));
        pages_.push_back({context, document.metaInformation(QTextDocument::DocumentTitle),
                          document.toPlainText()});
    }
    std::sort(pages_.begin(), pages_.end(),
              [](const Page& a, const Page& b) { return a.context < b.context; });
}

void HelpBrowser::showTopic(int context)
{
    const auto known = std::find_if(pages_.begin(), pages_.end(),
                                    [context](const Page& p) { return p.context == context; });
    browser_->setSource(pageUrl(known != pages_.end() ? context : kContents));
    show();
    raise();
    activateWindow();
}

void HelpBrowser::showSearch()
{
    show();
    raise();
    activateWindow();
    search_->setFocus();
    search_->selectAll();
}

int HelpBrowser::currentTopic() const
{
    bool ok = false;
    const int context = QFileInfo(browser_->source().path()).baseName().toInt(&ok);
    return ok ? context : 0;
}

QString HelpBrowser::currentText() const
{
    return browser_->toPlainText();
}

std::vector<int> HelpBrowser::search(const QString& words)
{
    const QStringList wanted = words.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    listed_.clear();
    results_->clear();
    for (const Page& page : pages_) {
        const bool all = std::all_of(wanted.begin(), wanted.end(), [&](const QString& word) {
            return page.text.contains(word, Qt::CaseInsensitive) ||
                   page.title.contains(word, Qt::CaseInsensitive);
        });
        if (!all)
            continue;
        listed_.push_back(page.context);
        results_->addItem(page.title);
    }
    if (!wanted.isEmpty() && listed_.empty())
        results_->addItem(tr("(no page found)"));
    return listed_;
}

void HelpBrowser::openListed(int row)
{
    if (row >= 0 && row < static_cast<int>(listed_.size()))
        browser_->setSource(pageUrl(listed_[static_cast<std::size_t>(row)]));
}

std::vector<int> HelpBrowser::topics() const
{
    std::vector<int> topics;
    for (const Page& page : pages_)
        topics.push_back(page.context);
    return topics;
}

QString homePageUrl()
{
    return QStringLiteral("https://velmora.app");
}

bool openHomePage()
{
    return QDesktopServices::openUrl(QUrl(homePageUrl()));
}

} // namespace velmora
