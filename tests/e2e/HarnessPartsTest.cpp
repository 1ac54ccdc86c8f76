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
    EXPECT_EQ(ParseListeningPort("listening on 127.0.0.1:"), 0);
    EXPECT_EQ(ParseListeningPort("listening on 0.0.0.0:1433"), 0);
    EXPECT_EQ(ParseListeningPort("listening on 127.0.0.1:99999999"), 0);
}

TEST(HarnessParts, FileFaultsRefuseMovesAndDeletionsOfTheNamedFileOnly) {
    std::string path, text;
    EXPECT_TRUE(ParseFileFault("/X/B.LDF=a=b", path, text));
    EXPECT_EQ(path, "/X/B.LDF");
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
    std::filesystem::remove_all(dir);
}

TEST(HarnessParts, LabelColourTickListAndTranscript) {
    EXPECT_EQ(StyleSheetColor("color: rgb(255, 0, 0);"), "#ff0000");
    EXPECT_EQ(StyleSheetColor("background-color: white; color: #0000FF"), "#0000ff");
    EXPECT_EQ(StyleSheetColor("background-color: red;"), "");

    std::vector<int> rows;
    EXPECT_TRUE(ParseTickList("all", 3, rows));
    EXPECT_EQ(rows, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(ParseTickList("1,3", 3, rows));
    EXPECT_EQ(rows, (std::vector<int>{1, 3}));
    EXPECT_TRUE(ParseTickList("none", 3, rows));
    EXPECT_TRUE(rows.empty());
    for (const char* bad : {"0", "1,,2", "x"}) EXPECT_FALSE(ParseTickList(bad, 3, rows)) << bad;

    nlohmann::ordered_json out;
    std::string error;
    ASSERT_TRUE(ConvertTranscript("{\"sql\":\"a\",\"error\":null}\n{\"sql\":\"b\",\"error\":{\"number\":1,\"message\":\"x\"}}\n",
                                  out, error)) << error;
    ASSERT_EQ(out.size(), 2u);
    EXPECT_TRUE(out[0]["error"].is_null());
    EXPECT_EQ(out[1]["error"], (nlohmann::ordered_json{{"number", 1}, {"message", "x"}}));
    EXPECT_TRUE(ConvertTranscript("", out, error));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(ConvertTranscript("{\"text\":\"no sql\"}", out, error));
}
