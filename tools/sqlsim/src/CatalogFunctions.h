#pragma once
// The server's built-in functions and collation, registered on the catalogue's SQLite connection.
#include "Model.h"

struct sqlite3;

namespace sqlsim {

// Registers SERVERPROPERTY, DATABASEPROPERTYEX, DATABASEPROPERTY, DB_ID, DB_NAME, right, left,
// substring, isnull, len, charindex, getdate and the SQLCI collation. The model must outlive db.
bool RegisterServerFunctions(sqlite3* db, const Model* model);

} // namespace sqlsim
