// The main window driven through its controls, as the operator would.
#include "UiTestSupport.h"

#include "ui/FrmAbout.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>

using namespace qm;
using namespace qm::ui;
using qmtest::Child;

namespace {

struct MainWindow : qmtest::MainWindowFixture {
    void DoubleClick(int tableRow, int col) {
        auto* grid = W<QTableWidget>("grdTable");
        const QRect cell = grid->visualItemRect(grid->item(tableRow, col));
        ASSERT_TRUE(cell.isValid());
        // What the window system delivers for a double-click: press, release, double-click, release.
        QWidget* vp = grid->viewport();
        for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                               QEvent::MouseButtonRelease}) {
            const Qt::MouseButtons held = t == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
            QMouseEvent e(t, QPointF(cell.center()), QPointF(vp->mapToGlobal(cell.center())), Qt::LeftButton, held,
                          Qt::NoModifier);
            QApplication::sendEvent(vp, &e);
        }
    }
    QString Text(int tableRow, int col) { return W<QTableWidget>("grdTable")->item(tableRow, col)->text(); }
    QColor ReportColour() { return W<QLabel>("labReport")->palette().color(QPalette::WindowText); }
};

} // namespace

TEST_F(MainWindow, LoadsOnFirstShowWithTitleReadmeTextsAndGrid) {
    readme = {{"作者", "李四"}, {"QQ", "888"}, {"简介", "数据库修复工具（测试版）"}};
    QSignalSpy loaded(&Window(), &FrmMain::loaded);
    Shown();
    EXPECT_EQ(loaded.count(), 1);
    EXPECT_EQ(window->windowTitle(), "Quillmere");
    EXPECT_EQ(W<QLabel>("labCaption")->text(), "Quillmere For U8 数据库版本：SQL Server 2005  作者：李四  QQ：888");
    EXPECT_EQ(W<QLabel>("imgLogo")->toolTip(), "数据库修复工具（测试版）");
    EXPECT_EQ(W<QLabel>("labReport")->text(), "发现2个异常数据库");
    EXPECT_EQ(ReportColour(), QColor(255, 0, 0));
    // Every read-me key comes from the tool's own folder, once; nothing is fetched without a location.
    EXPECT_EQ(profileFiles.size(), 8u);
    EXPECT_EQ(profileFiles.front(), "/tmp/quillmere-ui-tool/Readme.txt");
    EXPECT_TRUE(downloads.empty());

    auto* grid = W<QTableWidget>("grdTable");
    EXPECT_EQ(grid->rowCount(), 2);
    EXPECT_TRUE(grid->isColumnHidden(0));
    EXPECT_EQ(grid->horizontalHeaderItem(3)->text(), "账套名称");
    EXPECT_EQ(grid->columnWidth(5), TwipsToPixels(4000, window->Dpi()));
    EXPECT_EQ(grid->horizontalHeader()->height(), TwipsToPixels(500, window->Dpi()));
    EXPECT_EQ(Text(1, 3), "测试账套");

    // A second show is not a second load; the read-me is read once for the process.
    window->hide();
    window->show();
    EXPECT_EQ(loaded.count(), 1);
    W<QPushButton>("cmdBrush")->click();
    EXPECT_EQ(loaded.count(), 2);
    EXPECT_EQ(profileFiles.size(), 8u);
}

TEST_F(MainWindow, ReadmeIsRefreshedFromTheWebLocationBeforeItIsRead) {
    Window().SetWebLocation("http://updates.example");
    Shown();
    ASSERT_EQ(downloads.size(), 1u);
    EXPECT_EQ(downloads[0], "http://updates.example/files/Readme.txt|/tmp/quillmere-ui-tool/Readme.txt|说明");
    EXPECT_EQ(window->Publisher().intro, DefaultPublisherInfo().intro);
}

TEST_F(MainWindow, DoubleClickTicksOnlyInTheSelectionColumn) {
    Shown();
    DoubleClick(0, kColSelect);
    EXPECT_EQ(model.grid.Cell(1, kColSelect), "Y");
    EXPECT_EQ(Text(0, kColSelect), "Y");
    DoubleClick(0, kColSelect);
    EXPECT_EQ(model.grid.Cell(1, kColSelect), "");
    EXPECT_EQ(Text(0, kColSelect), "");
    DoubleClick(1, kColAccName);
    EXPECT_EQ(model.grid.Cell(2, kColAccName), "测试账套");
    EXPECT_EQ(model.grid.Cell(2, kColSelect), "");
    EXPECT_EQ(Text(1, kColAccName), "测试账套");  // no editor opened, text untouched
}

TEST_F(MainWindow, SelectAllAndClearAllIncludingTheEmptyRowOfAnEmptyList) {
    Shown();
    W<QPushButton>("cmdSelect")->click();
    EXPECT_EQ(model.grid.Cell(1, kColSelect), "Y");
    EXPECT_EQ(model.grid.Cell(2, kColSelect), "Y");
    EXPECT_EQ(Text(1, kColSelect), "Y");
    EXPECT_EQ(model.grid.Cell(0, kColSelect), "选择");
    W<QPushButton>("cmdClear")->click();
    EXPECT_EQ(model.grid.Cell(1, kColSelect), "");
    EXPECT_EQ(Text(1, kColSelect), "");

    rows.clear();
    W<QPushButton>("cmdBrush")->click();
    EXPECT_EQ(W<QTableWidget>("grdTable")->rowCount(), 1);
    EXPECT_EQ(W<QLabel>("labReport")->text(), "未发现任何异常数据库");
    EXPECT_EQ(ReportColour(), QColor(0, 0, 255));
    W<QPushButton>("cmdSelect")->click();
    EXPECT_EQ(model.grid.Cell(1, kColSelect), "Y");
    EXPECT_EQ(Text(0, kColSelect), "Y");
    W<QPushButton>("cmdClear")->click();
    EXPECT_EQ(model.grid.Cell(1, kColSelect), "");
}

TEST_F(MainWindow, CtrlSClearsTheProductOnlyWithExactlyCtrlAndShowAllClearsThenLoads) {
    Shown();
    auto* grid = W<QTableWidget>("grdTable");
    QTest::keyRelease(grid, Qt::Key_S);
    QTest::keyRelease(grid, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyRelease(grid, Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
    QTest::keyRelease(grid, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(app->cProduct, "U8");
    QTest::keyRelease(grid, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(app->cProduct, "");
    EXPECT_EQ(productAtLoad.size(), 1u);  // reloads nothing by itself

    app->cProduct = "U8";
    QSignalSpy loaded(window.get(), &FrmMain::loaded);
    W<QPushButton>("cmdShowAll")->click();
    EXPECT_EQ(loaded.count(), 1);
    EXPECT_EQ(productAtLoad, (std::vector<std::string>{"U8", ""}));
    EXPECT_TRUE(W<QLabel>("labCaption")->text().contains(" For U8 "));  // the title keeps its product
}

TEST_F(MainWindow, AboutLogoCancelAndClose) {
    readme = {{"公司", "示例软件有限公司"}, {"网址", "www.example.com"}};
    Shown();
    auto* about = W<ClickLabel>("labAbout");
    EXPECT_EQ(about->text(), "关于");
    emit about->clicked();
    FrmAbout* box = window->AboutBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_FALSE(box->isModal());
    EXPECT_EQ(Child<QLabel>(box, "LabToolText")->text(), "QuillmereV2.0");
    EXPECT_EQ(Child<QLabel>(box, "labMaker")->text(), "http://www.example.com");
    EXPECT_TRUE(Child<QLabel>(box, "labCopyRight")->text().contains("示例软件有限公司"));
    emit Child<ClickLabel>(box, "picExit")->clicked();
    EXPECT_FALSE(box->isVisible());
    emit about->clicked();
    EXPECT_EQ(window->AboutBox(), box);  // reused, not a second box
    EXPECT_EQ(window->findChildren<FrmAbout*>().size(), 1);

    emit Child<ClickLabel>(box, "imgLogo")->clicked();
    emit W<ClickLabel>("imgLogo")->clicked();
    EXPECT_EQ(shell.opened, (std::vector<std::string>{"http://www.example.com", "http://www.example.com"}));

    EXPECT_EQ(W<QLabel>("imgExit")->toolTip(), "关闭");
    W<QPushButton>("cmdCancel")->click();
    EXPECT_EQ(endCalls, 1);
    emit W<ClickLabel>("imgExit")->clicked();
    EXPECT_EQ(endCalls, 2);
}

TEST_F(MainWindow, CaptionsPlacesAndResizing) {
    Shown();
    const std::vector<std::pair<const char*, const char*>> buttons{
        {"cmdSelect", "全选"}, {"cmdClear", "全清"},   {"cmdShowAll", "刷新全部"}, {"cmdBrush", "刷新"},
        {"cmdConfirm", "确定"}, {"cmdCancel", "取消"}, {"cmdStop", "停止"}};
    for (const auto& [name, text] : buttons) EXPECT_EQ(W<QPushButton>(name)->text(), QString::fromUtf8(text)) << name;
    const double dpi = window->Dpi();
    EXPECT_EQ(window->size(), QSize(TwipsToPixels(11970, dpi), TwipsToPixels(8820, dpi)));
    EXPECT_EQ(W<QPushButton>("cmdConfirm")->geometry(),
              QRect(TwipsToPixels(9480, dpi), TwipsToPixels(8160, dpi), TwipsToPixels(975, dpi), TwipsToPixels(375, dpi)));
    EXPECT_EQ(W<QLabel>("imgExit")->x(), TwipsToPixels(window->FrameLayout().exit.left, dpi));
    EXPECT_NEAR(window->FrameLayout().exit.left, 11615, 20);  // the window's size is whole pixels

    window->resize(400, 300);
    const float width = PixelsToTwips(400, dpi);
    EXPECT_FLOAT_EQ(window->FrameLayout().exit.left, width - 355);
    EXPECT_EQ(W<QLabel>("labAbout")->x(), TwipsToPixels(width - 355 - 560, dpi));
    window->resize(10, 10);  // narrower than the corners: no failure, close picture still placed
    EXPECT_FLOAT_EQ(window->FrameLayout().exit.left, PixelsToTwips(10, dpi) - 355);
}
