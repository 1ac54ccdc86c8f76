// The main window driven through its controls, as the operator would.
#include "MainWindowFixture.h"

#include "app/Db.h"
#include "ui/FrmAbout.h"
#include "../support/FakeConnection.h"

#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

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
        const QPointF at(cell.center());
        const QPointF global(vp->mapToGlobal(cell.center()));
        for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                               QEvent::MouseButtonRelease}) {
            const Qt::MouseButtons held = t == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
            QMouseEvent e(t, at, global, Qt::LeftButton, held, Qt::NoModifier);
            QApplication::sendEvent(vp, &e);
        }
    }
    QString Text(int tableRow, int col) { return W<QTableWidget>("grdTable")->item(tableRow, col)->text(); }
};

} // namespace

TEST_F(MainWindow, LoadsOnFirstShowWithTitleReadmeTextsAndGrid) {
    readme = {{"作者", "李四"}, {"QQ", "888"}, {"简介", "数据库修复工具（测试版）"}};
    QSignalSpy loaded(&Window(), &FrmMain::loaded);
    Shown();
    EXPECT_EQ(loaded.count(), 1);
    EXPECT_EQ(window->windowTitle(), "Quillmere");
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(W<QLabel>("labCaption")->text(), "Quillmere For U8 数据库版本：SQL Server 2005  作者：李四  QQ：888");
    EXPECT_EQ(W<QLabel>("imgLogo")->toolTip(), "数据库修复工具（测试版）");
    // The list load that follows replaces the introduction with its count.
    EXPECT_EQ(W<QLabel>("labReport")->text(), "发现2个异常数据库");
    EXPECT_EQ(W<QLabel>("labReport")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    // Every read-me key comes from the tool's own folder, once; nothing is fetched without a location.
    EXPECT_EQ(profileFiles.size(), 8u);
    EXPECT_EQ(profileFiles.front(), "/tmp/quillmere-ui-tool/Readme.txt");
    EXPECT_TRUE(downloads.empty());

    auto* grid = W<QTableWidget>("grdTable");
    EXPECT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->columnCount(), 7);
    EXPECT_TRUE(grid->isColumnHidden(0));
    EXPECT_EQ(grid->horizontalHeaderItem(3)->text(), "账套名称");
    EXPECT_EQ(grid->columnWidth(5), TwipsToPixels(4000, window->Dpi()));
    EXPECT_EQ(grid->horizontalHeader()->height(), TwipsToPixels(500, window->Dpi()));
    EXPECT_EQ(Text(1, 3), "测试账套");
    EXPECT_EQ(window->size(), QSize(TwipsToPixels(11970, window->Dpi()), TwipsToPixels(8820, window->Dpi())));

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
    // Without a read-me every value is the neutral default.
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
    EXPECT_EQ(W<QLabel>("labReport")->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    W<QPushButton>("cmdSelect")->click();
    EXPECT_EQ(model.grid.Cell(1, kColSelect), "Y");
    EXPECT_EQ(Text(0, kColSelect), "Y");
    W<QPushButton>("cmdClear")->click();
    EXPECT_EQ(model.grid.Cell(1, kColSelect), "");
}

TEST_F(MainWindow, CtrlSClearsTheProductOnlyWithExactlyCtrlAndReloadsNothing) {
    Shown();
    auto* grid = W<QTableWidget>("grdTable");
    QTest::keyRelease(grid, Qt::Key_S);
    QTest::keyRelease(grid, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyRelease(grid, Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
    QTest::keyRelease(grid, Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(app->cProduct, "U8");
    QTest::keyRelease(grid, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(app->cProduct, "");
    EXPECT_EQ(productAtLoad.size(), 1u);
    W<QPushButton>("cmdBrush")->click();
    EXPECT_EQ(productAtLoad.back(), "");
}

TEST_F(MainWindow, ShowAllClearsTheProductThenLoads) {
    Shown();
    QSignalSpy loaded(window.get(), &FrmMain::loaded);
    W<QPushButton>("cmdShowAll")->click();
    EXPECT_EQ(loaded.count(), 1);
    EXPECT_EQ(productAtLoad, (std::vector<std::string>{"U8", ""}));
    // The title keeps the product it showed at load.
    EXPECT_TRUE(W<QLabel>("labCaption")->text().contains(" For U8 "));
}

TEST_F(MainWindow, ShowAllWithTheRealListOnAServerWithoutAbnormalDatabases) {
    auto conn = std::make_shared<qmtest::FakeConnection>();
    conn->state = 1;
    conn->handler = [](const std::string& sql) {
        if (sql.rfind("select name from sys.databases", 0) == 0) return qmtest::FakeConnection::Rows({"name"}, {});
        return qmtest::FakeConnection::Rows({"DB", "选择", "空", "数据库", "空", "路径", "报告"}, {});
    };
    app->oMaster = conn;
    window = std::make_unique<FrmMain>(*app, model);  // the real engine operations
    window->SetEndTool([this] { ++endCalls; });
    window->show();
    W<QPushButton>("cmdShowAll")->click();
    EXPECT_EQ(app->cProduct, "");
    ASSERT_FALSE(conn->sent.empty());
    EXPECT_NE(conn->sent.back().find("NULL as 空,a.name as 数据库"), std::string::npos);
    auto* grid = W<QTableWidget>("grdTable");
    EXPECT_EQ(grid->rowCount(), 1);
    EXPECT_EQ(grid->horizontalHeaderItem(2)->text(), "空");
    EXPECT_EQ(grid->horizontalHeaderItem(3)->text(), "数据库");
    EXPECT_EQ(W<QLabel>("labReport")->text(), "未发现任何异常数据库");
    EXPECT_EQ(model.iAccCount, 0);
}

TEST_F(MainWindow, AboutBoxIsReusedAndNotModal) {
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
    EXPECT_EQ(window->AboutBox(), box);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(window->findChildren<FrmAbout*>().size(), 1);
}

TEST_F(MainWindow, LogoOpensThePublisherAddressOrTheDefaultPage) {
    Shown();
    emit W<ClickLabel>("imgLogo")->clicked();
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], kDefaultWebPage);

    readme = {{"网址", "www.example.com"}};
    window.reset();
    Shown();
    emit W<ClickLabel>("imgLogo")->clicked();
    EXPECT_EQ(shell.opened.back(), "http://www.example.com");
}

TEST_F(MainWindow, CancelAndCloseEndTheTool) {
    Shown();
    EXPECT_EQ(W<QLabel>("imgExit")->toolTip(), "关闭");
    W<QPushButton>("cmdCancel")->click();
    EXPECT_EQ(endCalls, 1);
    emit W<ClickLabel>("imgExit")->clicked();
    EXPECT_EQ(endCalls, 2);
}

TEST_F(MainWindow, CaptionsAndFixedPlaces) {
    Shown();
    const std::vector<std::pair<const char*, const char*>> buttons{
        {"cmdSelect", "全选"}, {"cmdClear", "全清"},   {"cmdShowAll", "刷新全部"}, {"cmdBrush", "刷新"},
        {"cmdConfirm", "确定"}, {"cmdCancel", "取消"}, {"cmdStop", "停止"}};
    for (const auto& [name, text] : buttons) EXPECT_EQ(W<QPushButton>(name)->text(), QString::fromUtf8(text)) << name;
    const double dpi = window->Dpi();
    EXPECT_EQ(W<QPushButton>("cmdConfirm")->geometry(),
              QRect(TwipsToPixels(9480, dpi), TwipsToPixels(8160, dpi), TwipsToPixels(975, dpi), TwipsToPixels(375, dpi)));
    EXPECT_NE(W<QProgressBar>("ProDB"), nullptr);
    EXPECT_EQ(W<QLabel>("imgExit")->x(), TwipsToPixels(window->FrameLayout().exit.left, dpi));
    EXPECT_NEAR(window->FrameLayout().exit.left, 11615, 20);  // the window's size is whole pixels
}

TEST_F(MainWindow, ResizeMovesCloseAndAboutWithTheRightEdge) {
    Shown();
    window->resize(400, 300);
    const double dpi = window->Dpi();
    const float width = PixelsToTwips(400, dpi);
    EXPECT_FLOAT_EQ(window->FrameLayout().exit.left, width - 355);
    EXPECT_EQ(W<QLabel>("labAbout")->x(), TwipsToPixels(width - 355 - 560, dpi));
    window->resize(10, 10);  // narrower than the corners: no failure, close picture still placed
    EXPECT_FLOAT_EQ(window->FrameLayout().exit.left, PixelsToTwips(10, dpi) - 355);
}

TEST_F(MainWindow, DraggingTheBackgroundMovesTheWindowButNotOnControls) {
    Shown();
    const QPoint start = window->pos();
    auto send = [](QWidget* target, QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(local), QPointF(target->mapToGlobal(local)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(target, &e);
    };
    // Press on a control: the grid keeps the press, the window stays.
    auto* grid = W<QTableWidget>("grdTable");
    send(grid->viewport(), QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
    send(window.get(), QEvent::MouseMove, {60, 60}, Qt::LeftButton);
    send(grid->viewport(), QEvent::MouseButtonRelease, {5, 5}, Qt::NoButton);
    EXPECT_EQ(window->pos(), start);
    // Press on the background between the buttons.
    const QPoint background(TwipsToPixels(5000, window->Dpi()), TwipsToPixels(7100, window->Dpi()));
    ASSERT_EQ(window->childAt(background), nullptr);
    send(window.get(), QEvent::MouseButtonPress, background, Qt::LeftButton);
    send(window.get(), QEvent::MouseMove, background + QPoint(30, 20), Qt::LeftButton);
    send(window.get(), QEvent::MouseButtonRelease, background + QPoint(30, 20), Qt::NoButton);
    EXPECT_EQ(window->pos(), start + QPoint(30, 20));
}

// Renders the window offscreen into /tmp/quillmere-ui-shots for a look at glyphs and layout.
TEST_F(MainWindow, RendersIntoAPicture) {
    readme = {{"作者", "李四"}, {"QQ", "888"}};
    Shown();
    W<QPushButton>("cmdSelect")->click();
    QDir().mkpath("/tmp/quillmere-ui-shots");
    const QImage shot = window->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), window->size() * window->devicePixelRatio());
    EXPECT_TRUE(shot.save("/tmp/quillmere-ui-shots/frmMain.png"));
    // The title bar is painted, not left blank.
    EXPECT_NE(shot.pixelColor(shot.width() / 2, 2), shot.pixelColor(shot.width() / 2, shot.height() / 2));

    emit W<ClickLabel>("labAbout")->clicked();
    EXPECT_TRUE(window->AboutBox()->grab().save("/tmp/quillmere-ui-shots/frmAbout.png"));
}
