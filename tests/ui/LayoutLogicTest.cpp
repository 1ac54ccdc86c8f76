// The window logic that needs no widgets: frame placement, title line, message values, the per-row
// statement transcript.
#include <gtest/gtest.h>

#include "ui/GridFit.h"
#include "ui/MainLayout.h"
#include "ui/MsgState.h"
#include "ui/PublisherInfo.h"
#include "ui/RowTranscript.h"
#include "platform/Text.h"
#include "support/Seams.h"

using namespace qm;
using namespace qm::ui;

// The frame follows the window's right and bottom edges. When the window is too small, a step that would
// give a negative extent keeps its earlier place while every other step still runs.
TEST(MainLayout, FollowsTheEdgesAndSkipsOnlyTheNegativeStepsWhenTooSmall) {
    const MainFrameLayout wide = LayoutMainFrame(11970, 8820);
    EXPECT_FLOAT_EQ(wide.exit.right() + 100, 11970);
    EXPECT_FLOAT_EQ(wide.about.right() + 200, wide.exit.left);
    EXPECT_FLOAT_EQ(wide.bottomRight.bottom(), 8820);
    EXPECT_FLOAT_EQ(wide.right.bottom(), wide.bottomRight.top);

    const MainFrameLayout narrow = LayoutMainFrame(150, 8820, wide);
    EXPECT_FLOAT_EQ(narrow.top.width, wide.top.width); // 150 − 105 − 105 < 0
    EXPECT_FLOAT_EQ(narrow.bottom.width, wide.bottom.width);
    EXPECT_FLOAT_EQ(narrow.topRight.left, 45);
    EXPECT_LT(narrow.about.left, 0); // a negative position is a place like any other

    const MainFrameLayout low = LayoutMainFrame(210, 300);
    EXPECT_FLOAT_EQ(low.top.width, 0);   // zero is a valid width
    EXPECT_FLOAT_EQ(low.left.height, 0); // initial value kept: 300 − 480 is negative
    EXPECT_EQ(TwipsToPixels(11970, 144), 1197);
    PublisherInfo publisher;
    publisher.company = "某公司";
    publisher.web = "www.example.com";
    EXPECT_EQ(CopyrightLine(publisher, 2024), "版权所有 (C) 2024 某公司");
    EXPECT_EQ(PublisherAddress(publisher), "http://www.example.com");
    EXPECT_EQ(ReadmeUrl("http://updates.example"), "http://updates.example/files/Readme.txt");
}

TEST(GridFit, PathAndReportGiveUpWidthAndLongPathsLoseTheirMiddle) {
    const std::vector<int> design{0, 38, 53, 133, 38, 267, 200, 133}; // 862 pixels in all
    EXPECT_EQ(FitGridColumns(design, 900, 100), design);
    EXPECT_EQ(FitGridColumns(design, 730, 100), (std::vector<int>{0, 38, 53, 133, 38, 185, 150, 133}));
    EXPECT_EQ(FitGridColumns(design, 300, 100), (std::vector<int>{0, 38, 53, 133, 38, 100, 100, 133}));

    // Room counted in characters.
    auto elide = [](const std::string& path, size_t room) {
        return ElidePathMiddle(path, [room](const std::string& t) { return Utf8Chars(t).size() <= room; });
    };
    const std::string u8 = "D:\\U8SOFT\\Admin\\ZT001\\2015\\UFDATA.MDF";
    EXPECT_EQ(elide(u8, 37), u8);
    EXPECT_EQ(elide(u8, 27), "D:\\U8SOFT\\…\\2015\\UFDATA.MDF");
    EXPECT_EQ(elide(u8, 20), "D:\\…\\2015\\UFDATA.MDF");
    EXPECT_EQ(elide("\\\\srv\\账套\\ZT001\\UFDATA.MDF", 18), "\\\\srv\\…\\UFDATA.MDF");
    // One long name: its two ends, whole characters only.
    EXPECT_EQ(elide("D:\\用友数据库文件UFDATA.MDF", 12), "D:\\用友数…A.MDF");
    EXPECT_EQ(elide(u8, 0), "…");
}

TEST(MsgState, FontAndColourAreTakenOnceAndTheFontRoundsToEven) {
    MsgState s;
    s.Take(1, "x", 10.5, 0x112233);
    EXPECT_EQ(s.iMsgFontSize, 10); // half goes to the even neighbour
    s.iMsgResult = 1;
    s.Take(4, "连接失败", 14.0, 0x445566);
    EXPECT_EQ(s.iMsgResult, 0);
    EXPECT_EQ(s.iMsgFontSize, 10);
    EXPECT_EQ(s.lMsgForeColor, 0x112233u);
    MsgState t;
    t.Take(1, "x", 11.5, 1);
    EXPECT_EQ(t.iMsgFontSize, 12);
}

TEST(RowTranscript, KeepsStatementsPerRowAndHandsThemOn) {
    RowTranscript t;
    qmtest::StatementLog next;
    t.SetNext(&next);
    t.OnStatement({2, "alter database [X] set emergency", true, 0, "", ""});
    t.OnStatement({2, "dbcc checkdb", false, 5011, "无法打开数据库", "无法打开数据库\n第二条消息"});
    t.OnStatement({3, "select 1", true, 0, "", "信息一"});
    t.OnFileMoved(2, "D:\\X_LOG.LDF", "D:\\X_LOG.LDF.20240101120000.bak", "");
    t.OnFileMoved(3, "D:\\Y.LDF", "", "拒绝的权限");
    EXPECT_EQ(next.statements.size(), 3u);
    EXPECT_EQ(next.moves, 2);
    EXPECT_EQ(t.TooltipFor(2),
              "[成功] alter database [X] set emergency\n"
              "[失败] dbcc checkdb —— 错误 5011：无法打开数据库\n"
              "    第二条消息\n"
              "[文件] 已将 D:\\X_LOG.LDF 移为 D:\\X_LOG.LDF.20240101120000.bak");
    t.NoteCause(3, "文件被占用", "2015-01-02 03:00:00.000 操作系统错误 32");
    EXPECT_EQ(t.TooltipFor(3),
              "原因：文件被占用\n2015-01-02 03:00:00.000 操作系统错误 32\n[成功] select 1\n    信息一\n"
              "[文件] 未能移开 D:\\Y.LDF —— 拒绝的权限");
    EXPECT_EQ(t.TooltipFor(1), "");
    t.Clear();
    EXPECT_EQ(t.TooltipFor(2), "");
    t.SetNext(nullptr);
    t.OnStatement({1, "x", false, 0, "", ""});
    EXPECT_EQ(t.TooltipFor(1), "[失败] x —— 未知错误");
}
