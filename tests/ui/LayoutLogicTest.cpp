// The window logic that needs no widgets: frame placement, grid gestures, title line, message kinds,
// the per-row statement transcript.
#include "ui/GridActions.h"
#include "ui/MainLayout.h"
#include "ui/MsgState.h"
#include "ui/PublisherInfo.h"
#include "ui/RowTranscript.h"

#include <gtest/gtest.h>

#include <map>

using namespace qm;
using namespace qm::ui;

TEST(MainLayout, DesignSizePlacesCloseAboutAndTopEdge) {
    const MainFrameLayout l = LayoutMainFrame(11970, 8820);
    EXPECT_FLOAT_EQ(l.exit.left, 11615);
    EXPECT_FLOAT_EQ(l.exit.top, 80);
    EXPECT_FLOAT_EQ(l.about.left, 11055);
    EXPECT_FLOAT_EQ(l.about.top, 120);
    EXPECT_FLOAT_EQ(l.top.width, 11760);
    EXPECT_FLOAT_EQ(l.top.left, 105);
    EXPECT_FLOAT_EQ(l.topRight.left, 11865);
    EXPECT_FLOAT_EQ(l.bottomLeft.top, 8715);
    EXPECT_FLOAT_EQ(l.bottomRight.left, 11865);
    EXPECT_FLOAT_EQ(l.bottomRight.top, 8715);
    EXPECT_FLOAT_EQ(l.bottom.top, 8715);
    EXPECT_FLOAT_EQ(l.bottom.width, 11760);
    EXPECT_FLOAT_EQ(l.left.top, 375);
    EXPECT_FLOAT_EQ(l.left.height, 8820 - 375 - 105);
    EXPECT_FLOAT_EQ(l.right.left, 11865);
    EXPECT_FLOAT_EQ(l.right.height, 8820 - 375 - 105);
}

TEST(MainLayout, TooNarrowWindowSkipsOnlyTheNegativeSteps) {
    const MainFrameLayout wide = LayoutMainFrame(11970, 8820);
    const MainFrameLayout l = LayoutMainFrame(150, 8820, wide);
    // 150 − 105 − 105 < 0: the top and bottom edges keep their earlier place and size ...
    EXPECT_FLOAT_EQ(l.top.width, wide.top.width);
    EXPECT_FLOAT_EQ(l.top.left, wide.top.left);
    EXPECT_FLOAT_EQ(l.bottom.width, wide.bottom.width);
    // ... while every other step still runs, negative positions included.
    EXPECT_FLOAT_EQ(l.topRight.left, 45);
    EXPECT_FLOAT_EQ(l.right.left, 45);
    EXPECT_FLOAT_EQ(l.exit.left, 150 - 255 - 100);
    EXPECT_FLOAT_EQ(l.about.left, l.exit.left - 200 - 360);
    EXPECT_FLOAT_EQ(l.left.height, 8820 - 480);
}

TEST(MainLayout, TooLowWindowSkipsSideEdgesAndExactFitIsZeroWide) {
    const MainFrameLayout l = LayoutMainFrame(210, 300);
    EXPECT_FLOAT_EQ(l.top.width, 0);          // 210 − 105 − 105: zero is a valid width
    EXPECT_FLOAT_EQ(l.left.height, 0);        // initial value kept: 300 − 480 is negative
    EXPECT_FLOAT_EQ(l.right.height, 0);
    EXPECT_FLOAT_EQ(l.bottomLeft.top, 195);
}

TEST(MainLayout, SinglePrecisionAndPixelConversion) {
    const MainFrameLayout l = LayoutMainFrame(11970.4f, 8820);
    EXPECT_EQ(l.exit.left, 11970.4f - 255.0f - 100.0f);
    EXPECT_EQ(TwipsToPixels(11970, 96), 798);
    EXPECT_EQ(TwipsToPixels(8820, 96), 588);
    EXPECT_EQ(TwipsToPixels(11970, 144), 1197);
    EXPECT_FLOAT_EQ(PixelsToTwips(798, 96), 11970);
    EXPECT_FLOAT_EQ(FixedPlacementOf("cmdConfirm").left, 9480);
    EXPECT_FLOAT_EQ(FixedPlacementOf("nothing").width, 0);
}

TEST(GridActions, ToggleOnlyInSelectionColumnOfDataRows) {
    AccountGrid g;
    g.InsertRow(0, "DB\t选择\t账套号\t账套名称\t年度\t路径\t报告\t");
    g.AppendRow({"UFDATA_001_2015", "Y", "001", "演示", "2015", "D:\\A.MDF", ""});
    g.AppendRow({"UFDATA_002_2015", "", "002", "演示", "2015", "D:\\B.MDF", ""});
    EXPECT_TRUE(ToggleSelection(g, 1, kColSelect));
    EXPECT_EQ(g.Cell(1, kColSelect), "");
    EXPECT_TRUE(ToggleSelection(g, 2, kColSelect));
    EXPECT_EQ(g.Cell(2, kColSelect), "Y");
    EXPECT_FALSE(ToggleSelection(g, 2, kColAccName));
    EXPECT_EQ(g.Cell(2, kColAccName), "演示");
    EXPECT_FALSE(ToggleSelection(g, 0, kColSelect));  // the header stays
    EXPECT_EQ(g.Cell(0, kColSelect), "选择");
    EXPECT_FALSE(ToggleSelection(g, 3, kColSelect));
    // A mark that is not exactly "Y" counts as ticked-looking text: it is cleared, not ticked.
    g.SetCell(1, kColSelect, "y");
    ToggleSelection(g, 1, kColSelect);
    EXPECT_EQ(g.Cell(1, kColSelect), "");
}

TEST(GridActions, SelectAndClearAllIncludeTheSingleEmptyRow) {
    AccountGrid g;
    g.InsertRow(0, "DB\t选择\t空\t数据库\t空\t路径\t报告\t");
    g.InsertRow(1, "");
    SetAllSelections(g, true);
    EXPECT_EQ(g.Cell(1, kColSelect), "Y");
    EXPECT_EQ(g.Cell(0, kColSelect), "选择");
    SetAllSelections(g, false);
    EXPECT_EQ(g.Cell(1, kColSelect), "");
    AccountGrid empty;
    SetAllSelections(empty, true);  // no rows at all: nothing to do, nothing breaks
    EXPECT_EQ(empty.Rows(), 0);
}

TEST(GridActions, ClearProductKeyNeedsExactlyCtrl) {
    EXPECT_TRUE(IsClearProductKey(83, kCtrlMask));
    EXPECT_FALSE(IsClearProductKey(83, kCtrlMask | kShiftMask));
    EXPECT_FALSE(IsClearProductKey(83, kCtrlMask | kAltMask));
    EXPECT_FALSE(IsClearProductKey(83, 0));
    EXPECT_FALSE(IsClearProductKey(84, kCtrlMask));
}

TEST(PublisherInfo, ReadsEightKeysWithDefaultsAndBuildsTitle) {
    std::map<std::string, std::string> file{{"作者", "张三"}, {"QQ", "12345"}, {"网址", "www.example.com"}};
    std::vector<std::string> asked;
    const PublisherInfo info = LoadPublisherInfo([&](const std::string& s, const std::string& k, const std::string& d) {
        EXPECT_EQ(s, "说明");
        asked.push_back(k);
        auto it = file.find(k);
        return it == file.end() ? d : it->second;
    });
    EXPECT_EQ(asked, (std::vector<std::string>{"公司", "作者", "QQ", "QQ群", "电话", "邮箱", "网址", "简介"}));
    EXPECT_EQ(info.company, DefaultPublisherInfo().company);
    EXPECT_EQ(info.intro, DefaultPublisherInfo().intro);
    EXPECT_EQ(BuildTitleLine("U8", "SQL Server 2005", info),
              "Quillmere For U8 数据库版本：SQL Server 2005  作者：张三  QQ：12345");
    EXPECT_EQ(PublisherAddress(info), "http://www.example.com");
    EXPECT_EQ(PublisherAddress(DefaultPublisherInfo()), "");
    PublisherInfo bare;
    EXPECT_EQ(BuildTitleLine("", "", bare), "Quillmere For  数据库版本：");
}

TEST(PublisherInfo, ReadmeAddressOnlyWithALocation) {
    EXPECT_EQ(ReadmeUrl(""), "");
    EXPECT_EQ(ReadmeUrl("http://host/tool"), "http://host/tool/files/Readme.txt");
    PublisherInfo i;
    i.company = "某公司";
    EXPECT_EQ(CopyrightLine(i, 2024), "版权所有 (C) 2024 某公司");
}

TEST(MsgState, KindsShowTheirPictureAndButtons) {
    EXPECT_EQ(LookForKind(1).picture, MsgPicture::Warning);
    EXPECT_TRUE(LookForKind(1).confirm);
    EXPECT_EQ(LookForKind(2).picture, MsgPicture::Question);
    EXPECT_TRUE(LookForKind(2).yesNo);
    EXPECT_EQ(LookForKind(3).picture, MsgPicture::Warning);
    EXPECT_TRUE(LookForKind(3).yesNo);
    EXPECT_FALSE(LookForKind(3).confirm);
    EXPECT_EQ(LookForKind(4).picture, MsgPicture::Error);
    for (int k : {0, 5, 7, -1}) {
        EXPECT_EQ(LookForKind(k).picture, MsgPicture::None);
        EXPECT_FALSE(LookForKind(k).confirm || LookForKind(k).yesNo);
    }
}

TEST(MsgState, KeepsValuesBetweenCallsAndRoundsFontToEven) {
    MsgState s;
    s.Take(1, "", 10.5, 0x112233);
    EXPECT_EQ(s.cMsgText, "消息为空");
    EXPECT_EQ(s.iMsgType, 1);
    EXPECT_EQ(s.iMsgFontSize, 10);  // half goes to the even neighbour
    EXPECT_EQ(s.lMsgForeColor, 0x112233u);
    s.iMsgResult = 1;
    s.Take(4, "连接失败", 14.0, 0x445566);
    EXPECT_EQ(s.iMsgResult, 0);
    EXPECT_EQ(s.iMsgFontSize, 10);            // taken once
    EXPECT_EQ(s.lMsgForeColor, 0x112233u);
    s.Take(0, "新消息", 9, 0);
    EXPECT_EQ(s.iMsgType, 4);                 // zero kind keeps the last
    EXPECT_EQ(s.cMsgText, "新消息");
    s.Take(2, "", 9, 0);
    EXPECT_EQ(s.cMsgText, "新消息");          // empty message keeps the last
    MsgState t;
    t.Take(1, "x", 11.5, 1);
    EXPECT_EQ(t.iMsgFontSize, 12);
}

namespace {
struct CountingObserver : StatementObserver {
    void OnStatement(const StatementEvent&) override { ++statements; }
    void OnFileMoved(int, const std::string&, const std::string&, const std::string&) override { ++files; }
    int statements = 0, files = 0;
};
} // namespace

TEST(RowTranscript, KeepsStatementsPerRowAndHandsThemOn) {
    RowTranscript t;
    CountingObserver next;
    t.SetNext(&next);
    t.OnStatement({2, "alter database [X] set emergency", true, 0, "", ""});
    t.OnStatement({2, "dbcc checkdb", false, 5011, "无法打开数据库", "无法打开数据库\n第二条消息"});
    t.OnStatement({3, "select 1", true, 0, "", "信息一"});
    t.OnFileMoved(2, "D:\\X_LOG.LDF", "D:\\X_LOG.LDF.20240101120000.bak", "");
    t.OnFileMoved(3, "D:\\Y.LDF", "", "拒绝的权限");
    EXPECT_EQ(next.statements, 3);
    EXPECT_EQ(next.files, 2);
    EXPECT_EQ(t.TooltipFor(2),
              "[成功] alter database [X] set emergency\n"
              "[失败] dbcc checkdb —— 错误 5011：无法打开数据库\n"
              "    第二条消息\n"
              "[文件] 已将 D:\\X_LOG.LDF 移为 D:\\X_LOG.LDF.20240101120000.bak");
    EXPECT_EQ(t.TooltipFor(3), "[成功] select 1\n    信息一\n[文件] 未能移开 D:\\Y.LDF —— 拒绝的权限");
    EXPECT_EQ(t.TooltipFor(1), "");
    EXPECT_EQ(t.Rows(), (std::vector<int>{2, 3}));
    t.Clear();
    EXPECT_EQ(t.TooltipFor(2), "");
    t.SetNext(nullptr);
    t.OnStatement({1, "x", false, 0, "", ""});
    EXPECT_EQ(t.TooltipFor(1), "[失败] x —— 未知错误");
}
