#pragma once
// The Connection interface over the platform's ODBC driver manager (unixODBC + FreeTDS, or odbc32 on
// Windows), through the wide-character API. One environment handle is shared by every connection.
#include "platform/Connection.h"
#include "platform/OdbcConnectionString.h"

#include <memory>

namespace qm {

class OdbcEnvironment;

class OdbcConnectionFactory : public ConnectionFactory {
public:
    OdbcConnectionFactory(); // this system's drivers
    explicit OdbcConnectionFactory(OdbcDrivers drivers);
    ~OdbcConnectionFactory() override;

    std::shared_ptr<Connection> Create() override;

private:
    std::shared_ptr<OdbcEnvironment> env_;
    OdbcDrivers drivers_;
};

} // namespace qm
