// Read-only and DBO-only recovery, with and without the fall-back to the log rebuild.
#include "RepairFixture.h"

#include "repair/ReReadOnly.h"

using namespace qmtest;

namespace {

using ReReadOnly = RepairFixture;

// What went out, the result, the report, and which log is left. On 2005/2008 only a refusal that names
// a log file or a lost connection falls back to the rebuild (log moved aside, new one made); on 2000 a
// refusal still turns 'allow updates' off, and a refused 'allow updates' off is sent again.
TEST_F(ReReadOnly, GoesOnlineOrFallsBackOnlyForALogFileAndNeverLeavesAllowUpdatesOn) {
    const std::string goldfield =
        "此时无法更改数据库 'GOLDFIELD' 的状态或选项。数据库处于单用户模式，当前某个用户已与其连接。";
    struct Case {
        const char* what;
        int major = 9;
        std::string db = kDb;
        bool logExists = true;
        std::vector<sqlsim::Fault> faults = {};
        const char* sent = "";
        bool ok = true;
        std::string msg = "";
        std::vector<std::string> left = {".MDF", "_LOG.LDF"}; // after the database's name; '~': moved aside
    };
    // clang-format off
    const Case cases[] = {
        {.what = "sound log", .sent = "M O"},
        {.what = "missing log refused by set ONLINE", .logExists = false, .sent = "M O L F E S R M O"},
        {.what = "multi_user refused naming the log file",
         .faults = {{"set multi_user", 1, 5120, "无法打开物理文件 \"ufdata_log.ldf\"。"}}, .sent = "M L F E S R M O",
         .left = {".MDF", "_LOG.LDF", "_LOG.LDF~"}},
        {.what = "connection failed", .faults = {{"set multi_user", 1, 5120, "连接失败"}}, .sent = "M L F E S R M O",
         .left = {".MDF", "_LOG.LDF", "_LOG.LDF~"}},
        {.what = "no rights", .faults = {{"set multi_user", 1, 5011, "用户没有更改数据库的权限。"}}, .sent = "M",
         .ok = false, .msg = "用户没有更改数据库的权限。"},
        // The letters LDF in the database's own name are no log file: its sound log is kept.
        {.what = "GOLDFIELD", .db = "GOLDFIELD", .faults = {{"set multi_user", 1, 5064, goldfield}}, .sent = "M",
         .ok = false, .msg = goldfield},
        {.what = "refusal without words", .faults = {{"set multi_user", 1, 5011, ""}}, .sent = "M", .ok = false},
        {.what = "failed fallback", .logExists = false,
         .faults = {{"Rebuild Log", 1, 5028, "系统无法激活足够的数据库来重新生成日志。"}}, .sent = "M O L F E S R M",
         .ok = false, .msg = "系统无法激活足够的数据库来重新生成日志。", .left = {".MDF"}},
        {.what = "2000", .major = 8, .sent = "A1 C U2 D A0 C"},
        {.what = "2000 refused", .major = 8, .faults = {{"update sysdatabases", 1, 229, "拒绝了对象的 UPDATE 权限。"}},
         .sent = "A1 C U2 A0 C", .ok = false, .msg = "拒绝了对象的 UPDATE 权限。"},
        // Its own 'allow updates' off refused (or cut short by 停止): the guard sends it again.
        {.what = "2000 off refused", .major = 8, .faults = {{"'allow updates',0", 1, 15247, "没有权限"}},
         .sent = "A1 C U2 D A0 A0 C", .ok = false, .msg = "没有权限"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Load(c.major, {Db(c.db, "EMERGENCY", c.logExists ? "" : R"(, "log_file_exists": false)")});
        for (const auto& f : c.faults) engine->AddFault(f);
        EXPECT_EQ(qm::ReReadOnly(*app, app->versionClass, c.db), c.ok);
        EXPECT_EQ(Sent(), Seq(c.sent, c.db));
        EXPECT_EQ(app->cMsg, c.msg);
        std::vector<std::string> left;
        for (const auto& f : X(c.left)) left.push_back(c.db + f);
        EXPECT_EQ(Files(), left);
    }
    EXPECT_EQ(files.emptyPathCalls, 0); // the fallback knows no data path: no derived file is looked at
}

} // namespace
