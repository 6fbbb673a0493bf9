#include "account/accountschema.h"

#include <array>
#include <initializer_list>
#include <span>
#include <string_view>

namespace {

constexpr std::string_view kTimeDeclaration =
    "not null default (datetime(CURRENT_TIMESTAMP,'localtime'))";
constexpr std::array<std::string_view, 10> kSpare = {
    "holdone", "holdtow",   "holdthree", "holdfour", "holdfive",
    "holdsix", "holdseven", "holdeight", "holdnine", "holdten"};
constexpr std::array<std::string_view, 7> kStatistics = {
    "tags", "mac", "uuid", "pluginVer", "serviceVer", "readerVer", "miniVer"};

// Builds one CREATE statement: "name!" is a not-null column, every column is text.
class TableBuilder
{
public:
    TableBuilder(std::string_view name, std::string_view timeColumn = "create_time") : name(name)
    {
        statement = "CREATE TABLE IF NOT EXISTS " + std::string(name) +
                    "(id integer primary key autoincrement,\t" + std::string(timeColumn) + " " +
                    std::string(kTimeDeclaration);
    }
    TableBuilder& Columns(std::initializer_list<std::string_view> columns)
    {
        return Columns(std::span(columns.begin(), columns.size()));
    }
    TableBuilder& Columns(std::span<const std::string_view> columns)
    {
        for (std::string_view column : columns) {
            const bool notNull = column.ends_with('!');
            if (notNull)
                column.remove_suffix(1);
            statement += ",\t" + std::string(column) + " text";
            if (notNull)
                statement += " not null";
        }
        return *this;
    }
    AccountTable Build() const { return {name, statement + ")"}; }

private:
    std::string name;
    std::string statement;
};

std::vector<AccountTable> BuildTables()
{
    return {
        TableBuilder("ChanelPanelTable")
            .Columns({"name!", "action!", "content", "tipIconName", "tipIconUrl", "showTime"})
            .Columns(kSpare)
            .Build(),
        TableBuilder("StatusBarTable")
            .Columns({"name!", "url!", "msg!", "iconName!", "iconUrl!", "startTime!", "endTime!"})
            .Columns(kSpare)
            .Build(),
        TableBuilder("EBookTable")
            .Columns({"name!", "password!", "source!"})
            .Columns(kSpare)
            .Build(),
        TableBuilder("PushTable").Columns({"messageId!"}).Columns(kSpare).Build(),
        TableBuilder("FavoritesTable")
            .Columns({"name!", "url!", "iconurl!", "state!", "messageId!"})
            .Columns(kSpare)
            .Build(),
        TableBuilder("UserSystemTable").Columns({"userID", "nickname", "tgc", "headIcon"}).Build(),
        TableBuilder("OpenScreenTable")
            .Columns({"userID", "isVip", "showTimes", "updateTime", "showedTimes", "lastTime"})
            .Build(),
        TableBuilder("StatisRunTimeTable")
            .Columns({"product", "time"})
            .Columns(kStatistics)
            .Build(),
        TableBuilder("StatisAdverTable")
            .Columns({"statisTime", "type", "statisname", "shownumber", "clicknumber"})
            .Columns(kStatistics)
            .Build(),
        TableBuilder("StatisSearchTable")
            .Columns({"searchSource", "searchContent"})
            .Columns(kStatistics)
            .Build(),
        TableBuilder("StatisOperationTable")
            .Columns({"statisId", "number"})
            .Columns(kStatistics)
            .Columns({"softVersion", "user_id"})
            .Build(),
        TableBuilder("StatisDescribeTable").Columns({"label"}).Columns(kStatistics).Build(),
        TableBuilder("StatisChangeTable", "client_time")
            .Columns({"file_name", "file_size", "conver_result", "uuid", "mac", "version",
                      "channel", "product_name", "user_id", "is_vip"})
            .Build(),
        TableBuilder("StatisLoginTable", "client_time")
            .Columns({"uuid", "mac", "channel", "product_name", "version", "user_id", "is_vip"})
            .Build(),
    };
}

} // namespace

const std::vector<AccountTable>& AccountTables()
{
    static const std::vector<AccountTable> tables = BuildTables();
    return tables;
}
