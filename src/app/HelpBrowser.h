// The program's help: a window of its own that shows the help pages by
// topic number, with back, forward, contents and a search over all pages.
// The pages are built into the program (resources/help/<topic>.html).
#pragma once

#include <QString>
#include <QWidget>

#include <vector>

class QLineEdit;
class QListWidget;
class QTextBrowser;

namespace velmora {

class HelpBrowser : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kContents = 1;

    explicit HelpBrowser(QWidget* parent = nullptr);

    // Shows the window with the page of `context`; an unknown number shows
    // the contents page.
    void showTopic(int context);
    // Shows the window with the search field focused.
    void showSearch();

    // The topic of the page in view, 0 when it is none of ours.
    int currentTopic() const;
    // The page's text as plain text (for the tests).
    QString currentText() const;
    // Lists the pages that contain every word of `words` (all pages when
    // there are none) and returns their topic numbers.
    std::vector<int> search(const QString& words);

    // Every topic number that has a page.
    std::vector<int> topics() const;

private:
    struct Page
    {
        int context;
        QString title;
        QString text; // plain text, for the search
    };
    void loadPages();
    void openListed(int row);

    std::vector<Page> pages_;
    std::vector<int> listed_;
    QTextBrowser* browser_ = nullptr;
    QLineEdit* search_ = nullptr;
    QListWidget* results_ = nullptr;
};

// The product's home page, and opening it in the user's web browser.
QString homePageUrl();
bool openHomePage();

} // namespace velmora
