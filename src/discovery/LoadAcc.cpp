#include "discovery/LoadAcc.h"

#include "app/Db.h"

#include <cstdint>

namespace qm {

const char* const kLoadAccQ1 =
    "select a.name as DB,cast('' as varchar(100)) as 选择,b.cAcc_id as 账套号,b.cAcc_Name as 账套名称,"
    "right(a.name,4) as 年度,a.filename as 路径,cast('' as varchar(100)) as 报告 from master.sys.sysdatabases as a "
    "left join UFSystem..UA_Account as b on substring(a.name,8,3)=b.cacc_id where name like 'ufdata_%' and "
    "DATABASEPROPERTYEX(name,'Status') in ('EMERGENCY','SUSPECT')";
const char* const kLoadAccQ2 =
    "select a.name as DB,cast('' as varchar(100)) as 选择,b.cAcc_Num as 账套号,b.cAcc_Name as 账套名称,"
    "b.iYear as 年度,a.filename as 路径,cast('' as varchar(100)) as 报告 from master.sys.sysdatabases as a "
    "left join UFTSystem..EAP_Account as b on a.name=b.DsName where name like 'uftdata_%' and "
    "DATABASEPROPERTYEX(name,'Status') in ('EMERGENCY','SUSPECT')";
const char* const kLoadAccQ3 =
    "select a.name as DB,cast('' as varchar(100)) as 选择,NULL as 空,a.name as 数据库,NULL as 空,"
    "a.filename as 路径,cast('' as varchar(100)) as 报告 from master.sys.sysdatabases as a "
    "where DATABASEPROPERTYEX(name,'Status') in ('EMERGENCY','SUSPECT')";
const char* const kLoadAccQ4 =
    "select a.name as DB,cast('' as varchar(100)) as 选择,b.cAcc_id as 账套号,b.cAcc_Name as 账套名称,"
    "right(a.name,4) as 年度,a.filename as 路径,cast('' as varchar(100)) as 报告 from master..sysdatabases as a "
    "left join UFSystem..UA_Account as b on substring(a.name,8,3)=b.cacc_id where name like 'ufdata_%' and "
    "(isnull(DATABASEPROPERTY(name,'IsShutdown'),0)=1 or isnull(DATABASEPROPERTY(name,'IsInStandBy'),0)=1 or "
    "isnull(DATABASEPROPERTY(name,'IsSuspect'),0)=1)";
const char* const kLoadAccQ5 =
    "select a.name as DB,cast('' as varchar(100)) as 选择,b.cAcc_Num as 账套号,b.cAcc_Name as 账套名称,"
    "b.iYear as 年度,a.filename as 路径,cast('' as varchar(100)) as 报告 from master..sysdatabases as a "
    "left join UFTSystem..EAP_Account as b on a.name=b.DsName "
    "where name like 'uftdata_%' and "
    "(isnull(DATABASEPROPERTY(name,'IsShutdown'),0)=1 or isnull(DATABASEPROPERTY(name,'IsInStandBy'),0)=1 or "
    "isnull(DATABASEPROPERTY(name,'IsSuspect'),0)=1)";
const char* const kLoadAccQ6 =
    "select a.name as DB,cast('' as varchar(100)) as 选择,NULL as 空,a.name as 数据库,NULL as 空,"
    "a.filename as 路径,cast('' as varchar(100)) as 报告 from master..sysdatabases as a "
    "where (isnull(DATABASEPROPERTY(name,'IsShutdown'),0)=1 or isnull(DATABASEPROPERTY(name,'IsInStandBy'),0)=1 "
    "or isnull(DATABASEPROPERTY(name,'IsSuspect'),0)=1)";

// On 2012 and later a database whose recovery is pending is RECOVERY_PENDING, which
// DATABASEPROPERTYEX reports as SUSPECT, so the state numbers are read instead (3 recovery pending,
// 4 suspect, 5 emergency).
const char* const kLoadAccQ7 =
    "select a.name as DB,cast('' as varchar(100)) as 选择,b.cAcc_id as 账套号,b.cAcc_Name as 账套名称,right(a.name,4)"
    " as 年度,a.filename as 路径,cast('' as varchar(100)) as 报告 from master.sys.sysdatabases as a inner join"
    " master.sys.databases as d on d.database_id=a.dbid left join UFSystem..UA_Account as b on"
    " substring(a.name,8,3)=b.cacc_id where a.name like 'ufdata_%' and d.state in (3,4,5)";
const char* const kLoadAccQ8 =
    "select a.name as DB,cast('' as varchar(100)) as 选择,b.cAcc_Num as 账套号,b.cAcc_Name as 账套名称,b.iYear as"
    " 年度,a.filename as 路径,cast('' as varchar(100)) as 报告 from master.sys.sysdatabases as a inner join"
    " master.sys.databases as d on d.database_id=a.dbid left join UFTSystem..EAP_Account as b on"
    " a.name=b.DsName where a.name like 'uftdata_%' and d.state in (3,4,5)";
const char* const kLoadAccQ9 =
    "select a.name as DB,cast('' as varchar(100)) as 选择,NULL as 空,a.name as 数据库,NULL as 空,a.filename as"
    " 路径,cast('' as varchar(100)) as 报告 from master.sys.sysdatabases as a inner join master.sys.databases as d"
    " on d.database_id=a.dbid where d.state in (3,4,5)";

namespace {

constexpr const char* kLoadFailed = "未能读取异常数据库列表：";
constexpr const char* kNoQuery = "服务器版本不受支持或未找到账套系统库";
constexpr const char* kOverflow = "溢出";

// Discovery's statements belong to no grid row, whatever row the last repair left in the state.
struct ObserverRowScope {
    explicit ObserverRowScope(AppState& a) : app(a), saved(a.observerRow) { app.observerRow = 0; }
    ~ObserverRowScope() { app.observerRow = saved; }
    AppState& app;
    int saved;
};

bool Exists(AppState& app, const char* catalogue, const char* condition) {
    return !NullToStr(GetFieldValue(app, "name", catalogue, condition, app.oMaster)).empty();
}

void Fail(MainModel& m, const std::string& reason) {
    m.grid.Clear();
    m.iAccCount = 0;
    m.labReport.caption = std::string(kLoadFailed) + reason;
    m.labReport.color = kRed;
}

} // namespace

std::string ChooseLoadAccQuery(AppState& app) {
    // Every test that holds replaces the choice so far: T+ wins over the U8 family when both system
    // databases exist, and without a product every database is listed.
    struct Set {
        const char* catalogue;
        const char* u8;
        const char* tplus;
        const char* all;
    };
    static const Set kEx{"sys.databases", kLoadAccQ1, kLoadAccQ2, kLoadAccQ3};
    static const Set k2000{"sysdatabases", kLoadAccQ4, kLoadAccQ5, kLoadAccQ6};
    static const Set kModern{"sys.databases", kLoadAccQ7, kLoadAccQ8, kLoadAccQ9};

    const Set* set = nullptr;
    switch (app.versionClass) {
    case VersionClass::Sql2005:
    case VersionClass::Sql2008: set = &kEx; break;
    case VersionClass::Sql2000: set = &k2000; break;
    case VersionClass::Modern: set = &kModern; break;
    case VersionClass::None: return "";
    }
    std::string query;
    if (Exists(app, set->catalogue, "name='ufsystem'")) query = set->u8;
    if (Exists(app, set->catalogue, "name='uftsystem'")) query = set->tplus;
    if (app.cProduct.empty()) query = set->all;
    return query;
}

bool LoadAcc(AppState& app, MainModel& m) {
    ObserverRowScope scope(app);
    m.grid.Clear();

    const std::string query = ChooseLoadAccQuery(app);
    if (query.empty()) {
        Fail(m, kNoQuery);
        return false;
    }

    SqlResult r = ExecuteSql(app, app.oMaster, query);
    if (!r.ok) {
        Fail(m, r.error.empty() ? std::string("未知错误") : r.error);
        return false;
    }
    const Recordset& rs = r.recordset;
    // The count is a 16-bit value (the repair driver's loop bound and progress maximum); a list that
    // does not fit is refused rather than cut short.
    if (rs.rows.size() > size_t(INT16_MAX)) {
        Fail(m, kOverflow);
        return false;
    }

    std::string header;
    for (const auto& name : rs.columns) header += name + '\t';
    m.grid.InsertRow(0, header);
    // The verification column is the tool's own: the queries give the seven the grid always had.
    m.grid.SetCell(0, kColVerify, "校验");
    for (const auto& row : rs.rows) {
        std::vector<std::string> cells;
        cells.reserve(row.size());
        for (const auto& v : row) cells.push_back(NullToStr(v));
        m.grid.AppendRow(std::move(cells));
    }
    if (m.grid.Rows() == 1) m.grid.InsertRow(1, "");

    m.iAccCount = static_cast<int16_t>(rs.rows.size());
    if (m.iAccCount > 0) {
        m.labReport.caption = "发现" + std::to_string(m.iAccCount) + "个异常数据库";
        m.labReport.color = kRed;
    } else {
        m.labReport.caption = "未发现任何异常数据库";
        m.labReport.color = kBlue;
    }

    m.grid.colWidthsTwips = {0, 500, 800, 2000, 500, 4000, 3000, 2000};
    m.grid.currentRow = 1;
    return true;
}

} // namespace qm
