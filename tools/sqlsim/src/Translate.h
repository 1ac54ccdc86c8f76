#pragma once
// A T-SQL SELECT as SQLite text: catalogue names mapped to the simulator's tables, literals given the
// server's collation, [names] requoted, TOP moved to LIMIT, @@ variables replaced by their values.
#include "Lexer.h"
#include "Messages.h"
#include "Model.h"

#include <optional>
#include <string>
#include <vector>

namespace sqlsim {

struct Translation {
    std::string sql;
    std::optional<Message> error; // e.g. 208 for an object the server does not have
};

// `spid`: the session that sent it (@@spid).
Translation TranslateSelect(const std::vector<Token>& tokens, const Model& model, const Messages& msgs, int spid);

} // namespace sqlsim
