#pragma once

#include <string>
#include <vector>

// The local account database's fourteen tables with their CREATE statements, in creation
// order (seven working tables, then seven statistics tables).
struct AccountTable
{
    std::string name;
    std::string createStatement;
};

const std::vector<AccountTable>& AccountTables();
