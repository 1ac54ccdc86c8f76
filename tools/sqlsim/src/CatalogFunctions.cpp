#include "CatalogFunctions.h"

#include "Text.h"

#include <sqlite3.h>

#include <ctime>
#include <string>

namespace sqlsim {

namespace {

const Model& M(sqlite3_context* ctx) { return *static_cast<const Model*>(sqlite3_user_data(ctx)); }

bool AnyNull(int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return true;
    }
    return false;
}

std::string Arg(sqlite3_value* v) {
    const unsigned char* p = sqlite3_value_text(v);
    return p ? std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_value_bytes(v)))
             : std::string();
}

void ResultText(sqlite3_context* ctx, const std::string& s) {
    sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

std::string Join(const std::vector<std::string>& chars, long long from, long long count) {
    std::string out;
    for (long long i = from; i < from + count && i < static_cast<long long>(chars.size()); ++i) {
        if (i >= 0) out += chars[static_cast<size_t>(i)];
    }
    return out;
}

void ServerProperty(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
    const Model& m = M(ctx);
    std::string p = qm::AsciiLower(qm::Trim(Arg(argv[0]), qm::kWhiteSpace));
    if (p == "productversion") return ResultText(ctx, m.version);
    if (p == "edition") return ResultText(ctx, m.edition);
    if (p == "productlevel") return ResultText(ctx, "RTM");
    if (p == "servername" || p == "machinename") return ResultText(ctx, "QUILLMERE-SIM");
    if (p == "collation") return ResultText(ctx, m.english ? "SQL_Latin1_General_CP1_CI_AS" : "Chinese_PRC_CI_AS");
    if (p == "engineedition") return sqlite3_result_int(ctx, 2);
    sqlite3_result_null(ctx);
}

void DatabasePropertyEx(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
    const Model& m = M(ctx);
    const Database* db = m.Find(Arg(argv[0]));
    if (!db) return sqlite3_result_null(ctx);
    std::string p = qm::AsciiLower(qm::Trim(Arg(argv[1]), qm::kWhiteSpace));
    if (p == "status") return ResultText(ctx, m.StatusEx(*db));
    if (p == "useraccess") {
        if (m.Modern()) return ResultText(ctx, db->userAccess);
        if (db->flags.count("IsSingleUser")) return ResultText(ctx, "SINGLE_USER");
        return ResultText(ctx, db->flags.count("IsDboOnly") ? "RESTRICTED_USER" : "MULTI_USER");
    }
    if (p == "updateability")
        return ResultText(ctx, m.Property(*db, "IsReadOnly").value_or(0) ? "READ_ONLY" : "READ_WRITE");
    if (p == "recovery") return ResultText(ctx, "SIMPLE");
    if (p == "collation") return ResultText(ctx, m.english ? "SQL_Latin1_General_CP1_CI_AS" : "Chinese_PRC_CI_AS");
    sqlite3_result_null(ctx);
}

void DatabaseProperty(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
    const Model& m = M(ctx);
    const Database* db = m.Find(Arg(argv[0]));
    if (!db) return sqlite3_result_null(ctx);
    auto v = m.Property(*db, Arg(argv[1]));
    if (!v) return sqlite3_result_null(ctx);
    sqlite3_result_int(ctx, *v);
}

void DbId(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc == 0) return sqlite3_result_int(ctx, 1); // batches run in master
    if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
    const Database* db = M(ctx).Find(Arg(argv[0]));
    if (!db) return sqlite3_result_null(ctx);
    sqlite3_result_int(ctx, db->dbid);
}

void DbName(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc == 0) return ResultText(ctx, "master");
    if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
    const Database* db = M(ctx).FindById(sqlite3_value_int64(argv[0]));
    if (!db) return sqlite3_result_null(ctx);
    ResultText(ctx, db->name);
}

void Right(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
    auto chars = qm::Utf8Chars(Arg(argv[0]));
    long long n = sqlite3_value_int64(argv[1]);
    long long size = static_cast<long long>(chars.size());
    if (n < 0) return sqlite3_result_null(ctx);
    ResultText(ctx, Join(chars, n >= size ? 0 : size - n, n));
}

void Left(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
    long long n = sqlite3_value_int64(argv[1]);
    if (n < 0) return sqlite3_result_null(ctx);
    ResultText(ctx, Join(qm::Utf8Chars(Arg(argv[0])), 0, n));
}

// T-SQL SUBSTRING: characters start … start+length-1 (1-based), clipped to the text; start may be <= 0.
void Substring(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
    long long start = sqlite3_value_int64(argv[1]);
    long long len = sqlite3_value_int64(argv[2]);
    if (len < 0) return sqlite3_result_null(ctx);
    long long from = start - 1;
    long long to = from + len;
    if (from < 0) from = 0;
    ResultText(ctx, to > from ? Join(qm::Utf8Chars(Arg(argv[0])), from, to - from) : std::string());
}

void IsNull(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sqlite3_result_value(ctx, sqlite3_value_type(argv[0]) == SQLITE_NULL ? argv[1] : argv[0]);
}

void Len(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
    sqlite3_result_int64(ctx, static_cast<long long>(qm::Utf8Chars(qm::TrimRight(Arg(argv[0]))).size()));
}

void CharIndex(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
    auto needle = qm::Utf8Chars(qm::AsciiLower(Arg(argv[0])));
    auto hay = qm::Utf8Chars(qm::AsciiLower(Arg(argv[1])));
    long long start = argc > 2 ? sqlite3_value_int64(argv[2]) : 1;
    if (start < 1) start = 1;
    if (needle.empty()) return sqlite3_result_int(ctx, 0);
    for (size_t i = static_cast<size_t>(start - 1); i + needle.size() <= hay.size(); ++i) {
        bool match = true;
        for (size_t k = 0; k < needle.size() && match; ++k) match = hay[i + k] == needle[k];
        if (match) return sqlite3_result_int64(ctx, static_cast<long long>(i) + 1);
    }
    sqlite3_result_int(ctx, 0);
}

void GetDate(sqlite3_context* ctx, int, sqlite3_value**) {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    ResultText(ctx, buf);
}

int CollateCI(void*, int la, const void* a, int lb, const void* b) {
    return text::CompareCI(std::string_view(static_cast<const char*>(a), static_cast<size_t>(la)),
                           std::string_view(static_cast<const char*>(b), static_cast<size_t>(lb)));
}

} // namespace

bool RegisterServerFunctions(sqlite3* db, const Model* model) {
    using Fn = void (*)(sqlite3_context*, int, sqlite3_value**);
    struct Def {
        const char* name;
        int args;
        Fn fn;
    };
    const Def defs[] = {
        {"SERVERPROPERTY", 1, ServerProperty},
        {"DATABASEPROPERTYEX", 2, DatabasePropertyEx},
        {"DATABASEPROPERTY", 2, DatabaseProperty},
        {"DB_ID", 0, DbId},
        {"DB_ID", 1, DbId},
        {"DB_NAME", 0, DbName},
        {"DB_NAME", 1, DbName},
        {"tsql_right", 2, Right},
        {"tsql_left", 2, Left},
        {"substring", 3, Substring},
        {"tsql_isnull", 2, IsNull},
        {"len", 1, Len},
        {"charindex", 2, CharIndex},
        {"charindex", 3, CharIndex},
        {"getdate", 0, GetDate},
    };
    void* user = const_cast<Model*>(model);
    for (const auto& d : defs) {
        // Not deterministic: the answers follow the model, which commands change between queries.
        if (sqlite3_create_function_v2(db, d.name, d.args, SQLITE_UTF8, user, d.fn, nullptr, nullptr, nullptr) !=
            SQLITE_OK)
            return false;
    }
    return sqlite3_create_collation_v2(db, "SQLCI", SQLITE_UTF8, nullptr, CollateCI, nullptr) == SQLITE_OK;
}

} // namespace sqlsim
