#include "datasourcemanager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The manager against SANE's test backend, enabled by a configuration directory of our own.
class DataSourceManagerTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        setenv("SANE_CONFIG_DIR", DOKORA_SOURCE_DIR "/tests/data/sane", 1);
    }

    TW_UINT16 Call(TW_UINT16 argument, TW_UINT16 message, TW_MEMREF data)
    {
        return manager.Entry(&app, nullptr, DG_CONTROL, argument, message, data);
    }

    TW_UINT16 Condition()
    {
        TW_STATUS status{};
        EXPECT_EQ(Call(DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
        return status.ConditionCode;
    }

    std::vector<std::string> SourceNames()
    {
        std::vector<std::string> names;
        TW_IDENTITY source{};
        for (TW_UINT16 message = MSG_GETFIRST; Call(DAT_IDENTITY, message, &source) == TWRC_SUCCESS;
             message = MSG_GETNEXT)
            names.emplace_back(source.ProductName);
        return names;
    }

    DataSourceManager manager;
    TW_IDENTITY app{};
};

} // namespace

TEST_F(DataSourceManagerTest, ListsTheTestDevicesOnceTheManagerIsOpen)
{
    int parent = 0;
    TW_IDENTITY source{};
    EXPECT_EQ(Call(DAT_IDENTITY, MSG_GETFIRST, &source), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_SEQERROR);

    ASSERT_EQ(Call(DAT_PARENT, MSG_OPENDSM, &parent), TWRC_SUCCESS);
    EXPECT_EQ(manager.State(), 3);
    EXPECT_EQ(SourceNames(),
              (std::vector<std::string>{"frontend-tester (test:0)", "frontend-tester (test:1)"}));
    EXPECT_EQ(Call(DAT_PARENT, MSG_OPENDSM, &parent), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_SEQERROR);
}

TEST_F(DataSourceManagerTest, OpensAndClosesASourceByItsProductNameInTheStatesTheProtocolAllows)
{
    int parent = 0;
    ASSERT_EQ(Call(DAT_PARENT, MSG_OPENDSM, &parent), TWRC_SUCCESS);
    TW_IDENTITY wanted{};
    std::strcpy(wanted.ProductName, "frontend-tester (test:1)");
    EXPECT_EQ(Call(DAT_IDENTITY, MSG_CLOSEDS, &wanted), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_SEQERROR);

    ASSERT_EQ(Call(DAT_IDENTITY, MSG_OPENDS, &wanted), TWRC_SUCCESS);
    EXPECT_EQ(manager.State(), 4);
    EXPECT_EQ(wanted.Id, 2u);
    EXPECT_EQ(Call(DAT_IDENTITY, MSG_OPENDS, &wanted), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_SEQERROR);
    EXPECT_EQ(Call(DAT_IDENTITY, MSG_CLOSEDS, &wanted), TWRC_SUCCESS);
    EXPECT_EQ(manager.State(), 3);

    TW_IDENTITY missing{};
    std::strcpy(missing.ProductName, "no such scanner");
    EXPECT_EQ(Call(DAT_IDENTITY, MSG_OPENDS, &missing), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_NODS);

    ASSERT_EQ(Call(DAT_IDENTITY, MSG_OPENDS, &wanted), TWRC_SUCCESS);
    EXPECT_EQ(Call(DAT_PARENT, MSG_CLOSEDSM, &parent), TWRC_SUCCESS);
    EXPECT_EQ(manager.State(), 2);
    EXPECT_EQ(Call(DAT_PARENT, MSG_CLOSEDSM, &parent), TWRC_FAILURE);
}
