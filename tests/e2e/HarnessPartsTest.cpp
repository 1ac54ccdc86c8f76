// The harness's own parts, which the end-to-end cases rely on to report faithfully.
#include "FaultFileSystem.h"
#include "SimProcess.h"
#include "Transcript.h"
#include "WidgetProbe.h"

#include "platform/LocalFileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace qme2e;

TEST(HarnessParts, ListeningLineGivesThePortAndNothingElseDoes) {
    EXPECT_EQ(ParseListeningPort("listening on 127.0.0.1:49152"), 49152);
    EXPECT_EQ(ParseListeningPort("listening on 127.0.0.1:1433\r"), 1433);
    EXPECT_EQ(ParseListeningPort("listening on 127.0.0.1:"), 0);
    EXPECT_EQ(ParseListeningPort("listening on 0.0.0.0:1433"), 0);
    EXPECT_EQ(ParseListeningPort("listening on 127.0.0.1:99999999"), 0);
    EXPECT_EQ(ParseListeningPort("error: scenario not found"), 0);
}

TEST(HarnessParts, FileFaultsRefuseMovesAndDeletionsOfTheNamedFileOnly) {
    std::string path, text;
    EXPECT_TRUE(ParseFileFault("A_LOG.LDF=拒绝的权限", path, text));
    EXPECT_EQ(path, "A_LOG.LDF");
    EXPECT_EQ(text, "拒绝的权限");
    EXPECT_TRUE(ParseFileFault("/X/B.LDF=a=b", path, text));
    EXPECT_EQ(text, "a=b");
    EXPECT_FALSE(ParseFileFault("=text", path, text));
    EXPECT_FALSE(ParseFileFault("nofault", path, text));

    auto dir = std::filesystem::temp_directory_path() / ("qm-e2e-parts-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    for (auto name : {"A_LOG.LDF", "B_LOG.LDF", "C_LOG.LDF"}) std::ofstream(dir / name) << "x";

    qm::LocalFileSystem local;
    FaultFileSystem files(local);
    files.AddFault("A_LOG.LDF", "拒绝的权限", dir.string());               // bare name: in the data folder
    files.AddFault((dir / "C_LOG.LDF").string(), "文件正在使用", "/elsewhere");  // full path
    std::string error;
    EXPECT_FALSE(files.Remove(dir.string() + "//A_LOG.LDF", error));
    EXPECT_EQ(error, "拒绝的权限");
    EXPECT_FALSE(files.Move((dir / "A_LOG.LDF").string(), (dir / "A.bak").string(), error));
    EXPECT_FALSE(files.Remove((dir / "C_LOG.LDF").string(), error));
    EXPECT_EQ(error, "文件正在使用");
    EXPECT_TRUE(std::filesystem::exists(dir / "A_LOG.LDF"));
    EXPECT_TRUE(files.Move((dir / "B_LOG.LDF").string(), (dir / "B.bak").string(), error)) << error;
    EXPECT_TRUE(std::filesystem::exists(dir / "B.bak"));
    EXPECT_FALSE(files.Remove("", error));  // the empty path reaches the real layer, which refuses it
    std::filesystem::remove_all(dir);
}

TEST(HarnessParts, LabelColourComesFromTheStyleSheetColourOnly) {
    EXPECT_EQ(StyleSheetColor("color: rgb(255, 0, 0);"), "#ff0000");
    EXPECT_EQ(StyleSheetColor("QLabel { color:#0000FF }"), "#0000ff");
    EXPECT_EQ(StyleSheetColor("background-color: red;"), "");
    EXPECT_EQ(StyleSheetColor("background-color: white; color: blue"), "#0000ff");
    EXPECT_EQ(StyleSheetColor(""), "");
}

TEST(HarnessParts, TickListNamesOneBasedRows) {
    std::vector<int> rows;
    EXPECT_TRUE(ParseTickList("all", 3, rows));
    EXPECT_EQ(rows, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(ParseTickList("1,3", 3, rows));
    EXPECT_EQ(rows, (std::vector<int>{1, 3}));
    EXPECT_TRUE(ParseTickList("all", 0, rows));
    EXPECT_TRUE(rows.empty());
    EXPECT_FALSE(ParseTickList("0", 3, rows));
    EXPECT_FALSE(ParseTickList("1,,2", 3, rows));
    EXPECT_FALSE(ParseTickList("x", 3, rows));
}

TEST(HarnessParts, TranscriptKeepsOrderAndErrors) {
    nlohmann::ordered_json out;
    std::string error;
    ASSERT_TRUE(ConvertTranscript(
        R"([{"sql":"select 1","failed":false},{"sql":"ALTER DATABASE a REBUILD LOG","failed":true,"number":5025,"message":"m"}])",
        out, error)) << error;
    ASSERT_EQ(out.size(), 2u);
    EXPECT_TRUE(out[0]["error"].is_null());
    EXPECT_EQ(out[1]["error"]["number"], 5025);
    EXPECT_EQ(out[1]["error"]["message"], "m");

    ASSERT_TRUE(ConvertTranscript("{\"sql\":\"a\",\"error\":null}\n{\"sql\":\"b\",\"error\":{\"number\":1,\"message\":\"x\"}}\n",
                                  out, error)) << error;
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[1]["error"]["number"], 1);
    EXPECT_TRUE(ConvertTranscript("", out, error));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(ConvertTranscript("[{\"text\":\"no sql\"}]", out, error));
}
