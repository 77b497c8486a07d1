// SPDX-License-Identifier: Apache-2.0
// Configuration: the text parser, applying parsed sections to a manager,
// reading and re-reading a file, and the setters' checks and conversions.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "LogTestSupport.h"
#include "ruzolog/ruzolog.h"

namespace {

using ruzolog::LoggerInfo;
using ruzolog::LoggerManager;
using ruzolog_test::writeFile;
using testsupport::TempDir;

TEST(ConfigTextTest, TrimAndSplit)
{
    struct TrimCase {
        std::string text, extra, expected;
    } const trims[] = {
        {"  a b \t\r\n", "", "a b"},
        {"", "", ""},
        {" \t ", "", ""},
        {"\xEF\xBB\xBF x ", "", "x"},
        {"\xEF\xBB", "", "\xEF\xBB"},             // too short to be a byte order mark
        {" \xEF\xBB\xBFx", "", "\xEF\xBB\xBFx"},  // the mark counts only at the very start
        {"[ Net ]", "[]", "Net"},
    };
    for (const TrimCase& c : trims) {
        std::string text = c.text;
        ruzolog::trimLogConfig(text, c.extra);
        EXPECT_EQ(text, c.expected) << "trimming [" << c.text << "]";
    }
    using Pair = std::pair<std::string, std::string>;
    EXPECT_EQ(ruzolog::splitPairString("name=a=b", "="), Pair("name", "a=b"));
    EXPECT_EQ(ruzolog::splitPairString("path", "="), Pair("path", ""));
    EXPECT_EQ(ruzolog::splitPairString("=x", "="), Pair("", "x"));
}

// Expected settings of one parsed section; anything not named is the default.
struct Section {
    std::string name;
    std::string path = RUZOLOG_DEFAULT_PATH;
    std::int32_t level = RUZOLOG_DEFAULT_LEVEL;
    bool display = true, outfile = true, monthdir = false, fileline = true, enable = true;
    std::uint32_t limitsize = RUZOLOG_DEFAULT_LIMITSIZE;
    std::int64_t reserve = 0;
};

struct ParseCase {
    const char* text;
    const char* key;
    std::function<void(Section&)> change;  // from the defaults to what is expected
};

// Fails unless info holds exactly the expected settings.
void expectSection(const LoggerInfo& info, const std::string& key, const Section& expected)
{
    EXPECT_EQ(info.key, key);
    EXPECT_EQ(info.name, expected.name);
    EXPECT_EQ(info.path, expected.path);
    EXPECT_EQ(info.level, expected.level);
    EXPECT_EQ(info.display, expected.display);
    EXPECT_EQ(info.outfile, expected.outfile);
    EXPECT_EQ(info.monthdir, expected.monthdir);
    EXPECT_EQ(info.fileline, expected.fileline);
    EXPECT_EQ(info.enable, expected.enable);
    EXPECT_EQ(info.limitsize, expected.limitsize);
    EXPECT_EQ(info.reserve, expected.reserve);
}

TEST(ConfigTextTest, ParsesSectionsAndOptions)
{
    const ParseCase cases[] = {
        {"[main]\nLEVEL = Warning", "Main", [](Section& s) { s.level = 3; }},
        {"[MAIN]\r\n", "Main", [](Section&) {}},
        {"[ Net ]\r\nname=a=b", "Net", [](Section& s) { s.name = "a=b"; }},
        {"[n]\nPath = /Var/Log \n Name=Out", "n",
         [](Section& s) {
             s.path = "/Var/Log";
             s.name = "Out";
         }},
        {"[n]\npath\n", "n", [](Section& s) { s.path = ""; }},
        {"[n]\ndisplay=FALSE", "n", [](Section& s) { s.display = false; }},
        {"[n]\ndisplay=0", "n", [](Section& s) { s.display = false; }},
        {"[n]\ndisplay=no", "n", [](Section&) {}},
        {"[n]\nlevel=verbose", "n", [](Section&) {}},
        {"[n]\nlevel=error\nlevel=verbose", "n", [](Section& s) { s.level = 4; }},
        {"[n]\nlimitsize=abc", "n", [](Section& s) { s.limitsize = 0; }},
        {"[n]\nlimitsize=5\nreserve=3600", "n",
         [](Section& s) {
             s.limitsize = 5;
             s.reserve = 3600;
         }},
        {"[n]\noutfile=0\nmonthdir=1\nfileline=false\nenable=0", "n",
         [](Section& s) {
             s.outfile = false;
             s.monthdir = true;
             s.fileline = false;
             s.enable = false;
         }},
        {"\xEF\xBB\xBF[n]\nlevel=error", "n", [](Section& s) { s.level = 4; }},
        {"level=error\n[n]", "n", [](Section&) {}},  // options before any section
        {"[n]\n# level=error\n  #x=1\n=level=error\ncolour=red\n", "n", [](Section&) {}},
        {"[n]\nlevel=error\n[m]\nlevel=info\n[n]\ndisplay=0", "n",
         [](Section& s) {
             s.level = 4;
             s.display = false;
         }},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.text);
        std::map<std::string, LoggerInfo> sections;
        EXPECT_TRUE(ruzolog::parseConfigFromString(c.text, sections));
        ASSERT_EQ(sections.count(c.key), 1u);
        Section expected;
        expected.name = c.key;
        c.change(expected);
        expectSection(sections.at(c.key), c.key, expected);
    }
}

TEST(ConfigTextTest, LevelWords)
{
    const std::pair<const char*, std::int32_t> words[] = {
        {"trace", 0},   {"ALL", 0},   {"debug", 1}, {"Info", 2}, {"warn", 3},
        {"warning", 3}, {"error", 4}, {"alarm", 5}, {"fatal", 6}};
    for (const auto& [word, level] : words) {
        std::map<std::string, LoggerInfo> sections;
        ruzolog::parseConfigFromString(std::string("[n]\nlevel=") + word, sections);
        EXPECT_EQ(sections["n"].level, level) << word;
    }
}

// A manager of the test's own with a helper to read one logger's settings.
class ConfigManagerTest : public ::testing::Test {
protected:
    // The logger's settings.
    LoggerInfo info(std::int32_t id)
    {
        LoggerInfo copy;
        EXPECT_TRUE(manager.getLoggerInfo(id, copy));
        return copy;
    }
    LoggerManager manager;
};

TEST_F(ConfigManagerTest, SectionsReplaceAllSettingsOfTheirLogger)
{
    ASSERT_TRUE(manager.setLoggerPath(0, "/somewhere"));
    ASSERT_TRUE(manager.setLoggerDisplay(0, false));
    ASSERT_TRUE(manager.configFromString(
        "[main]\nlevel=warn\nreserve=3600\n[ Net ]\npath=/x\nlimitsize=abc"));

    Section mainExpected;
    mainExpected.name = "Main";
    mainExpected.level = 3;
    mainExpected.reserve = 3600;  // a section's reserve is applied as well
    expectSection(info(0), "Main", mainExpected);

    ASSERT_EQ(manager.findLogger("Net"), 1);
    EXPECT_EQ(manager.findLogger("net"), RUZOLOG_INVALID_LOGGER_ID);
    Section netExpected;
    netExpected.name = "Net";
    netExpected.path = "/x/";
    netExpected.limitsize = 4294967295u;  // "abc" is 0, which means no limit
    expectSection(info(1), "Net", netExpected);
}

TEST_F(ConfigManagerTest, TheSameTextIsAppliedOnlyOnceInARow)
{
    const char* text = "[main]\nlevel=error\n";
    ASSERT_TRUE(manager.configFromString(text));
    ASSERT_TRUE(manager.setLoggerLevel(0, 2));
    EXPECT_TRUE(manager.configFromString(text));
    EXPECT_EQ(info(0).level, 2);
    EXPECT_TRUE(manager.configFromString(""));  // no section: nothing to apply
    EXPECT_TRUE(manager.configFromString("[main]\nlevel=alarm\n"));
    EXPECT_EQ(info(0).level, 5);
    EXPECT_TRUE(manager.configFromString(text));
    EXPECT_EQ(info(0).level, 4);
}

TEST_F(ConfigManagerTest, ATextWithTheSameBytesInAnotherOrderIsApplied)
{
    // Two sections swap their levels: every byte is still there, once.
    const std::string before = "[main]\nlevel=error\n[Net]\nlevel=info\n";
    const std::string after = "[main]\nlevel=info\n[Net]\nlevel=error\n";
    TempDir dir;
    const std::string file = dir.File("log.conf");
    writeFile(file, before);
    ASSERT_TRUE(manager.config(file.c_str()));
    ASSERT_EQ(manager.findLogger("Net"), 1);
    ASSERT_EQ(info(0).level, 4);
    ASSERT_EQ(info(1).level, 2);

    struct Case {
        const char* how;
        std::function<bool(const std::string&)> apply;
    } const cases[] = {
        {"re-read file",
         [&](const std::string& text) {
             writeFile(file, text);
             return manager.updateConfig();
         }},
        {"text", [&](const std::string& text) { return manager.configFromString(text.c_str()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        EXPECT_TRUE(c.apply(after));
        EXPECT_EQ(info(0).level, 2);
        EXPECT_EQ(info(1).level, 4);
        EXPECT_TRUE(c.apply(before));
        EXPECT_EQ(info(0).level, 4);
        EXPECT_EQ(info(1).level, 2);
    }
}

TEST_F(ConfigManagerTest, AnEmptyPathLeavesThePathAlone)
{
    ASSERT_TRUE(manager.setLoggerPath(0, "/kept"));
    ASSERT_TRUE(manager.configFromString("[main]\npath\n"));
    EXPECT_EQ(info(0).path, "/kept/");
}

TEST_F(ConfigManagerTest, AFullTableSkipsNewSectionsOnly)
{
    for (int i = 1; i < RUZOLOG_LOGGER_MAX; ++i) {
        ASSERT_EQ(manager.createLogger(("L" + std::to_string(i)).c_str()), i);
    }
    ASSERT_TRUE(manager.configFromString("[Late]\n[main]\nlevel=error\n[L3]\nname=three"));
    EXPECT_EQ(manager.findLogger("Late"), RUZOLOG_INVALID_LOGGER_ID);
    EXPECT_EQ(info(0).level, 4);
    EXPECT_EQ(info(3).name, "three");
}

TEST_F(ConfigManagerTest, ConfigFileIsReadOnceAndReReadForExistingLoggers)
{
    TempDir dir;
    const std::string file = dir.File("log.conf");
    EXPECT_FALSE(manager.updateConfig());  // no file named yet

    // A missing file fails, but its path is kept for later re-reading.
    EXPECT_FALSE(manager.config(file.c_str()));
    writeFile(file, "[main]\nlevel=error\n[Net]\n");
    EXPECT_FALSE(manager.config(file.c_str()));  // only the first call counts
    EXPECT_TRUE(manager.updateConfig());
    EXPECT_EQ(info(0).level, 4);
    EXPECT_EQ(manager.findLogger("Net"), RUZOLOG_INVALID_LOGGER_ID);  // never created here

    const char withZero[] = "[main]\nlevel=fatal\n\0[main]\nlevel=trace\n";
    writeFile(file, std::string(withZero, sizeof(withZero) - 1));
    EXPECT_TRUE(manager.updateConfig());
    EXPECT_EQ(info(0).level, 6);  // the text ends at the zero byte

    LoggerManager fresh;
    writeFile(file, "[Net]\nlevel=info\n");
    EXPECT_TRUE(fresh.config(file.c_str()));
    ASSERT_EQ(fresh.findLogger("Net"), 1);
    EXPECT_TRUE(fresh.isLoggerEnable(1));
}

TEST_F(ConfigManagerTest, SettersCheckAndConvertTheirArguments)
{
    ASSERT_EQ(manager.createLogger(" Main "), 0);  // trimmed to the main key
    EXPECT_EQ(manager.findLogger(" Main "), RUZOLOG_INVALID_LOGGER_ID);
    EXPECT_EQ(manager.findLogger("main"), RUZOLOG_INVALID_LOGGER_ID);
    EXPECT_EQ(manager.findLogger("Main"), 0);
    EXPECT_EQ(manager.createLogger(nullptr), RUZOLOG_INVALID_LOGGER_ID);

    struct Case {
        const char* what;
        std::function<bool()> call;
        bool result;
        std::function<bool(const LoggerInfo&)> check;
    } const cases[] = {
        {"path gets a slash", [&] { return manager.setLoggerPath(0, "/tmp"); }, true,
         [](const LoggerInfo& i) { return i.path == "/tmp/"; }},
        {"backslash path kept", [&] { return manager.setLoggerPath(0, "C:\\logs\\"); }, true,
         [](const LoggerInfo& i) { return i.path == "C:\\logs\\"; }},
        {"empty path refused", [&] { return manager.setLoggerPath(0, ""); }, false,
         [](const LoggerInfo& i) { return i.path == "C:\\logs\\"; }},
        {"null path refused", [&] { return manager.setLoggerPath(0, nullptr); }, false, nullptr},
        {"unregistered id", [&] { return manager.setLoggerPath(1, "/x"); }, false, nullptr},
        {"negative id", [&] { return manager.setLoggerName(-1, "x"); }, false, nullptr},
        {"empty name refused", [&] { return manager.setLoggerName(0, ""); }, false, nullptr},
        {"longest name", [&] { return manager.setLoggerName(0, std::string(8191, 'n').c_str()); },
         true, [](const LoggerInfo& i) { return i.name.size() == 8191; }},
        {"too long a name",
         [&] { return manager.setLoggerName(0, std::string(8192, 'n').c_str()); }, false,
         [](const LoggerInfo& i) { return i.name.size() == 8191; }},
        {"level up", [&] { return manager.setLoggerLevel(0, 4); }, true,
         [](const LoggerInfo& i) { return i.level == 4; }},
        {"level down", [&] { return manager.setLoggerLevel(0, 2); }, true,
         [](const LoggerInfo& i) { return i.level == 2; }},
        {"any level number", [&] { return manager.setLoggerLevel(0, 99); }, true,
         [](const LoggerInfo& i) { return i.level == 99; }},
        {"limit 0 is none", [&] { return manager.setLoggerLimitsize(0, 0); }, true,
         [](const LoggerInfo& i) { return i.limitsize == 4294967295u; }},
        {"reserve", [&] { return manager.setLoggerReserveTime(0, 3600); }, true,
         [](const LoggerInfo& i) { return i.reserve == 3600; }},
        {"negative reserve", [&] { return manager.setLoggerReserveTime(0, -5); }, true,
         [](const LoggerInfo& i) { return i.reserve == 0; }},
        {"reserve low 32 bits", [&] { return manager.setLoggerReserveTime(0, (1LL << 32) + 7); },
         true, [](const LoggerInfo& i) { return i.reserve == 7; }},
        {"switches",
         [&] {
             return manager.setLoggerFileLine(0, false) && manager.setLoggerDisplay(0, false) &&
                    manager.setLoggerOutFile(0, false) && manager.setLoggerMonthdir(0, true);
         },
         true,
         [](const LoggerInfo& i) { return !i.fileline && !i.display && !i.outfile && i.monthdir; }},
        {"switch on unregistered id", [&] { return manager.setLoggerMonthdir(5, true); }, false,
         nullptr},
        {"disable", [&] { return manager.enableLogger(0, false); }, true,
         [](const LoggerInfo& i) { return !i.enable; }},
        {"enable", [&] { return manager.enableLogger(0, true); }, true,
         [](const LoggerInfo& i) { return i.enable.load(); }},
        {"enable unregistered", [&] { return manager.enableLogger(3, true); }, false, nullptr},
        {"auto update", [&] { return manager.setAutoUpdate(0); }, true, nullptr},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.call(), c.result) << c.what;
        if (c.check) {
            EXPECT_TRUE(c.check(info(0))) << c.what;
        }
    }
}

}  // namespace
