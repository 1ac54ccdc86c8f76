#pragma once
// The statement texts the tool sends, byte for byte, so the simulator is tested on what it will receive.
#include <string>

namespace qmtest {

inline const std::string kVersionQuery =
    "SELECT  SERVERPROPERTY('productversion') as productversion,SERVERPROPERTY ('edition') as version";

inline std::string FieldQuery(const std::string& table, const std::string& condition) {
    return "select name from " + table + " where 1=1 and " + condition;
}

inline const std::string kDbProbe2000 =
    " (isnull(DATABASEPROPERTY(name,'IsShutdown'),0)=1 or isnull(DATABASEPROPERTY(name,'IsInStandBy'),0)=1 or "
    "isnull(DATABASEPROPERTY(name,'IsSuspect'),0)=1)";

inline const std::string kQ1 =
    "select a.name as DB,cast('' as varchar(100)) as 选择,b.cAcc_id as 账套号,b.cAcc_Name as 账套名称,right(a.name,4) as 年度,"
    "a.filename as 路径,cast('' as varchar(100)) as 报告 from master.sys.sysdatabases as a left join UFSystem..UA_Account as b "
    "on substring(a.name,8,3)=b.cacc_id where name like 'ufdata_%' and DATABASEPROPERTYEX(name,'Status') in ('EMERGENCY','SUSPECT')";
inline const std::string kQ2 =
    "select a.name as DB,cast('' as varchar(100)) as 选择,b.cAcc_Num as 账套号,b.cAcc_Name as 账套名称,b.iYear as 年度,"
    "a.filename as 路径,cast('' as varchar(100)) as 报告 from master.sys.sysdatabases as a left join UFTSystem..EAP_Account as b "
    "on a.name=b.DsName where name like 'uftdata_%' and DATABASEPROPERTYEX(name,'Status') in ('EMERGENCY','SUSPECT')";
inline const std::string kQ3 =
    "select a.name as DB,cast('' as varchar(100)) as 选择,NULL as 空,a.name as 数据库,NULL as 空,a.filename as 路径,"
    "cast('' as varchar(100)) as 报告 from master.sys.sysdatabases as a where DATABASEPROPERTYEX(name,'Status') in ('EMERGENCY','SUSPECT')";
inline const std::string kQ4 =
    "select a.name as DB,cast('' as varchar(100)) as 选择,b.cAcc_id as 账套号,b.cAcc_Name as 账套名称,right(a.name,4) as 年度,"
    "a.filename as 路径,cast('' as varchar(100)) as 报告 from master..sysdatabases as a left join UFSystem..UA_Account as b "
    "on substring(a.name,8,3)=b.cacc_id where name like 'ufdata_%' and" + kDbProbe2000;
inline const std::string kQ5 =
    "select a.name as DB,cast('' as varchar(100)) as 选择,b.cAcc_Num as 账套号,b.cAcc_Name as 账套名称,b.iYear as 年度,"
    "a.filename as 路径,cast('' as varchar(100)) as 报告 from master..sysdatabases as a left join UFTSystem..EAP_Account as b "
    "on a.name=b.DsName where name like 'uftdata_%' and" + kDbProbe2000;
inline const std::string kQ6 =
    "select a.name as DB,cast('' as varchar(100)) as 选择,NULL as 空,a.name as 数据库,NULL as 空,a.filename as 路径,"
    "cast('' as varchar(100)) as 报告 from master..sysdatabases as a where" + kDbProbe2000;

inline std::string StateQuery2005(const std::string& db) {
    return "--password \r\nSELECT case DATABASEPROPERTYEX ('" + db + "', 'Status') when 'ONLINE' then '在线' when 'OFFLINE'  then '脱机'"
           " when 'RESTORING'  then '还原' when 'RECOVERING'  then '恢复' when 'SUSPECT'  then '置疑'"
           " when 'EMERGENCY'  then '紧急只读状态' Else '正常' end as cValue";
}

inline std::string StateQueryModern(const std::string& db) {
    return "--password \r\nSELECT case state when 0 then '在线' when 1 then '还原' when 2 then '恢复' when 3 then '恢复挂起' when 4 then "
           "'置疑' when 5 then '紧急只读状态' when 6 then '脱机' else '正常' end as cValue from master.sys.databases where name=N'" + db + "'";
}

inline std::string Probe2000(const std::string& flag, const std::string& db) {
    return "select DATABASEPROPERTY(name,'" + flag + "') as Status from master.dbo.sysdatabases where name='" + db + "'";
}

inline std::string LogPathQuery(const std::string& db) {
    return "select b.filename from sysdatabases as a inner join sysaltfiles as b on a.dbid=b.dbid where b.fileid=2 and a.name='" + db + "'";
}

inline std::string LogNameQuery(const std::string& db) {
    return "select b.name as filename from sysdatabases as a inner join sysaltfiles as b on a.dbid=b.dbid where b.fileid=2 and a.name='" + db + "'";
}

} // namespace qmtest
