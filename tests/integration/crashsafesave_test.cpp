// Saves interrupted by SIGKILL at random points: a child process saves records, settings and
// tiles in a loop and reports each finished save on a pipe; after the kill every file must
// parse and hold the content of the last finished save or of the one under way.
#include "adapter/recordlist.h"
#include "support/scratchdir.h"
#include "settings/profilefile.h"
#include "tiles/tileconfig.h"
#include "tiles/tilemodel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <random>
#include <set>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kRounds = 300;
constexpr const char* kMovingTile = "PDF2Word";

struct NamedView : TileView
{
    explicit NamedView(std::string name) : name(std::move(name)) {}
    std::string ViewName() const override { return name; }
    int LeftBarIndex() const override { return 0; }
    std::string name;
};

struct ViewPanel : TilePanel
{
    explicit ViewPanel(TileView* view) : view(view) {}
    TileView* OwnerView() const override { return view; }
    TileView* view;
};

std::string RoundPath(std::size_t round)
{
    return "/rounds/" + std::to_string(round) + ".pdf";
}

// The group holding `key` and its index there; nothing when no group does.
std::optional<std::pair<std::string, std::size_t>> Locate(const TileConfig& config,
                                                          std::string_view key)
{
    for (const auto& group : config.GroupNames())
        for (std::size_t i = 0; i < config.ItemCount(group); ++i)
            if (config.Item(group, i).name == key)
                return std::pair{group, i};
    return std::nullopt;
}

std::multiset<std::string> TileNames(const TileConfig& config)
{
    std::multiset<std::string> names;
    for (const auto& group : config.GroupNames())
        for (std::size_t i = 0; i < config.ItemCount(group); ++i)
            names.insert(config.Item(group, i).name);
    return names;
}

// What the child reports on the pipe after each finished save.
enum Ack : char
{
    RecordSaved = 'R',
    SettingSaved = 'S',
    TileSaved = 'T',
};

class CrashSafeSaveTest : public ::testing::Test
{
protected:
    // Saves until killed; never returns.
    [[noreturn]] void SaveForever(int ackFd)
    {
        auto ack = [ackFd](Ack what) {
            if (::write(ackFd, &what, 1) != 1)
                ::_exit(3);
        };
        RecordList records(RecordKind::Completed);
        records.Load(recordPath);
        ProfileFile settings(settingsPath);
        TileConfig tiles([] {});
        tiles.Load(tilePath);
        for (std::size_t round = records.GetCount();; ++round) {
            records.AddRecord({1, RoundPath(round), "1.00M", "2024.03.07"});
            ack(RecordSaved);
            settings.WriteString("Setting", "Round", std::to_string(round));
            ack(SettingSaved);
            const auto at = Locate(tiles, kMovingTile);
            if (!at)
                ::_exit(4);
            NamedView view(at->first);
            ViewPanel panel(&view);
            tiles.SetView(at->first, &view);
            tiles.SetItemPanel(at->first, at->second, &panel);
            if (!tiles.MoveItem(&panel, at->first != kCommonGroup))
                ::_exit(5);
            ack(TileSaved);
        }
    }

    // Starts a child, kills it after `delay` and returns what it acknowledged.
    std::string RunAndKill(std::chrono::microseconds delay)
    {
        int fds[2];
        EXPECT_EQ(::pipe(fds), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(fds[0]);
            SaveForever(fds[1]);
        }
        ::close(fds[1]);
        std::this_thread::sleep_for(delay);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status)) << "the child ended by itself, status " << status;
        std::string acks;
        char buffer[4096];
        for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
            acks.append(buffer, static_cast<std::size_t>(n));
        ::close(fds[0]);
        return acks;
    }

    ScratchDir dir;
    std::string recordPath = dir.File("completed_ini.xml");
    std::string settingsPath = dir.File("Settings.ini");
    std::string tilePath = dir.File("tileview_ini.xml");
};

} // namespace

TEST_F(CrashSafeSaveTest, EveryFileHoldsTheLastFinishedSaveOrTheOneUnderWay)
{
    ASSERT_TRUE(ProfileFile(settingsPath).WriteString("Setting", "Kept", "unchanged"));
    TileConfig startTiles([] {});
    ASSERT_TRUE(startTiles.Load(tilePath));
    const std::multiset<std::string> allTiles = TileNames(startTiles);

    std::mt19937 random(20);
    std::uniform_int_distribution<int> delayUs(0, 6000);
    std::size_t recordsBefore = 0;
    std::optional<int> roundBefore;
    for (int kill = 0; kill < kRounds; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        const std::string acks = RunAndKill(std::chrono::microseconds(delayUs(random)));
        const auto count = [&acks](Ack what) {
            return static_cast<std::size_t>(std::count(acks.begin(), acks.end(), what));
        };

        RecordList records(RecordKind::Completed);
        ASSERT_TRUE(records.Load(recordPath));
        const std::size_t saved = recordsBefore + count(RecordSaved);
        ASSERT_GE(records.GetCount(), saved);
        ASSERT_LE(records.GetCount(), saved + 1);
        for (std::size_t i = 0; i < records.GetCount(); ++i)
            ASSERT_EQ(records.GetRecord(i).path, RoundPath(records.GetCount() - 1 - i));

        const ProfileFile settings(settingsPath);
        ASSERT_EQ(settings.ReadString("Setting", "Kept"), "unchanged");
        const std::string roundText = settings.ReadString("Setting", "Round");
        const std::optional<int> round =
            roundText.empty() ? std::nullopt : std::optional(std::stoi(roundText));
        const std::size_t settingAcks = count(SettingSaved);
        const std::optional<int> lastSaved =
            settingAcks == 0 ? roundBefore
                             : std::optional(static_cast<int>(recordsBefore + settingAcks - 1));
        const int underWay = static_cast<int>(recordsBefore + settingAcks);
        ASSERT_TRUE(round == lastSaved || round == underWay) << roundText;

        int recreated = 0;
        TileConfig tiles([&recreated] { ++recreated; });
        ASSERT_TRUE(tiles.Load(tilePath));
        ASSERT_EQ(recreated, 0) << "the tile file was unreadable and made again";
        ASSERT_EQ(TileNames(tiles), allTiles);

        recordsBefore = records.GetCount();
        roundBefore = round;
    }
    EXPECT_GT(recordsBefore, static_cast<std::size_t>(kRounds / 4)) << "the child rarely saved";
}
