#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <random>

#include "settings/connection_settings.h"
#include "testing/file_state.h"
#include "testing/temp_dir.h"
#include "util/platform.h"

namespace zararod {
namespace {

class SettingsFileTest : public ::testing::Test {
 protected:

  void write(const std::string& bytes) {
    std::ofstream(nativePath(name_), std::ios::binary | std::ios::trunc) << bytes;
  }
  std::string text(const std::string& section, const std::string& key,
                   const std::string& def = "<default>") {
    return SettingsFile(name_).ReadText(section, key, def);
  }

  zararod::testing::TempDir temp_;
  const std::string& dir_ = temp_.path();
  const std::string name_ = temp_.file("vedid.ini");
};

TEST_F(SettingsFileTest, ReadTextRules) {
  struct Case {
    const char* what;
    std::string content;
    std::string section, key, expected;
  };
  const std::string long2047(2047, 'p');
  const Case cases[] = {
      {"lower-case names", "[logon_adr]\nip=10.0.0.5\n", "LogON_adr", "IP", "10.0.0.5"},
      {"accented names", "[\xC8" "EP]\n\x8A" "ROT=1\n", "\xE8" "ep", "\x9A" "rot", "1"},
      {"missing key", "[LogON]\nUser=x\n", "LogON", "IP", "<default>"},
      {"missing section", "[LogON_adr]\nIP=x\n", "LogON", "IP", "<default>"},
      {"empty value", "[LogON]\nIP=\n", "LogON", "IP", ""},
      {"blanks and tabs", "[LogON]\n \t IP \t= \t 10.0.0.5 \t\n", "LogON", "IP", "10.0.0.5"},
      {"double quotes", "[LogON_adr]\nrada=\"20\"\n", "LogON_adr", "rada", "20"},
      {"single quotes", "[LogON_adr]\nrada= '20' \n", "LogON_adr", "rada", "20"},
      {"blanks inside quotes", "[LogON_adr]\nrada=\" 20 \"\n", "LogON_adr", "rada", " 20 "},
      {"unmatched quotes", "[LogON_adr]\nrada=\"20'\n", "LogON_adr", "rada", "\"20'"},
      {"lone quote", "[LogON_adr]\nrada=\"\n", "LogON_adr", "rada", "\""},
      {"empty quotes", "[LogON_adr]\nrada=\"\"\n", "LogON_adr", "rada", ""},
      {"first key wins", "[LogON]\nIP=a\nIP=b\n", "LogON", "IP", "a"},
      {"first section wins", "[LogON]\nUser=u\n[LogON]\nIP=b\n", "LogON", "IP", "<default>"},
      {"no leak into next section", "[LogON_adr]\nrada=5\n[LogON]\nIP=x\n", "LogON", "rada",
       "<default>"},
      {"semicolon belongs to value", "[LogON]\nPassword=ab;cd\n", "LogON", "Password", "ab;cd"},
      {"equals sign in value", "[LogON]\nPassword=a=b\n", "LogON", "Password", "a=b"},
      {"comment line", "[LogON]\n;IP=1.2.3.4\n  ; IP=1\nIP=5.6.7.8\n", "LogON", "IP", "5.6.7.8"},
      {"comment never matched", "[LogON]\n;IP=1.2.3.4\n", "LogON", ";IP", "<default>"},
      {"line without equals", "[LogON]\nIP\nIP=x\n", "LogON", "IP", "x"},
      {"key before any section", "IP=x\n[LogON]\n", "LogON", "IP", "<default>"},
      {"header decorations", "  [ LogON ] ; local\nIP=a\n", "LogON", "IP", "a"},
      {"broken header ignored", "[LogON]\n[broken\nIP=x\n", "LogON", "IP", "x"},
      // The name runs to the last "]" of the header line.
      {"second ] is part of the name", "[LogON]]\nIP=x\n", "LogON", "IP", "<default>"},
      {"name with a ]", "[LogON]]\nIP=x\n", "LogON]", "IP", "x"},
      {"text after the last ]", "[LogON] ; [old]\nIP=x\n", "LogON] ; [old", "IP", "x"},
      // VT, FF and Ctrl-Z count as blanks around names and values.
      {"VT, FF and Ctrl-Z around a value", "[LogON]\nIP=\x0b v \x0c\n", "LogON", "IP", "v"},
      {"around a key", "[LogON]\n\x0c\x1aIP\x0b=x\x1a\n", "LogON", "IP", "x"},
      {"around a header", "\x0b[\x0cLogON\x1a]\x0c\nIP=x\n", "LogON", "IP", "x"},
      {"inside a value", "[LogON]\nIP=a\x0b\x0c\x1a" "b\n", "LogON", "IP", "a\x0b\x0c\x1a" "b"},
      {"CR line ends", "[LogON]\rUser=u\rIP=cr\r", "LogON", "IP", "cr"},
      {"CR LF line ends", "[LogON]\r\nUser=u\r\nIP=crlf\r\n", "LogON", "IP", "crlf"},
      {"mixed, no final line end", "[LogON]\r\nUser=u\nPassword=p\rIP=last", "LogON", "IP",
       "last"},
      {"byte-order mark", "\xEF\xBB\xBF[LogON]\nIP=a\n", "LogON", "IP", "a"},
      {"NUL ends the value", std::string("[LogON]\nIP=ab\0cd\n", 17), "LogON", "IP", "ab"},
      {"NUL after header", std::string("[LogON]\0\nIP=x\n", 14), "LogON", "IP", "x"},
      {"2047 characters kept", "[LogON]\nPassword=" + long2047 + "\n", "LogON", "Password",
       long2047},
      {"longer value cut", "[LogON]\nPassword=" + long2047 + "xyz\n", "LogON", "Password",
       long2047},
      {"quotes removed before the cut", "[LogON]\nPassword=\"" + long2047 + "z\"\n", "LogON",
       "Password", long2047},
      {"empty file", "", "LogON", "IP", "<default>"},
  };
  for (const Case& c : cases) {
    write(c.content);
    EXPECT_EQ(text(c.section, c.key), c.expected) << c.what;
  }
}

TEST_F(SettingsFileTest, ReadNumberRules) {
  struct Case {
    std::string value;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"3307", 3307},         {" 3307 ", 3307},       {"\"3307\"", 3307},
      {"0x0CEB", 3307},       {"$0CEB", 3307},        {"0X0ceb", 3307},
      {"+12", 12},            {"-12", -12},           {"00000000000003307", 3307},
      {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
      {"$FFFFFFFF", -1},      {"0x7FFFFFFF", 2147483647}, {"-$10", -16},
      {"33o7", 3306},         {"99999999999", 3306},  {"", 3306},
      {"2147483648", 3306},   {"-2147483649", 3306},  {"$123456789", 3306},
      {"$", 3306},            {"0x", 3306},           {"0x-1", 3306},
      {"+", 3306},            {"-", 3306},            {"+-5", 3306},
      {"3307;", 3306},        {"33 07", 3306},        {"12.5", 3306},
      {"1e3", 3306},          {"0xG", 3306},
  };
  for (const Case& c : cases) {
    write("[LogON]\nSQLport=" + c.value + "\n");
    EXPECT_EQ(SettingsFile(name_).ReadNumber("LogON", "SQLport", 3306), c.expected) << c.value;
  }
  write("[LogON]\n");
  EXPECT_EQ(SettingsFile(name_).ReadNumber("LogON", "SQLport", 3306), 3306);
}

TEST_F(SettingsFileTest, MissingOrUnreadableFileGivesDefaults) {
  EXPECT_EQ(SettingsFile(dir_ + "/missing.ini").ReadText("LogON", "IP", "localhost"), "localhost");
  EXPECT_EQ(SettingsFile(dir_ + "/missing.ini").ReadNumber("LogON", "SQLport", 3306), 3306);
  EXPECT_EQ(SettingsFile(dir_).ReadText("LogON", "IP", "localhost"), "localhost");  // a directory
  EXPECT_EQ(SettingsFile("").ReadText("LogON", "IP", "localhost"), "localhost");
  write("[LogON]\nIP=x\n");
  const zararod::testing::UnreadableFile unreadable(name_);
  if (unreadable.active()) {
    EXPECT_EQ(text("LogON", "IP"), "<default>");
  }
}

TEST_F(SettingsFileTest, EachReadSeesTheCurrentFile) {
  const SettingsFile file(name_);
  EXPECT_EQ(file.ReadText("LogON", "IP", "d"), "d");
  write("[LogON]\nIP=first\n");
  EXPECT_EQ(file.ReadText("LogON", "IP", "d"), "first");
  write("[LogON]\nIP=second\n");
  EXPECT_EQ(file.ReadText("LogON", "IP", "d"), "second");
}

TEST_F(SettingsFileTest, SurvivesHostileBytes) {
  std::mt19937 random(20260729);
  std::string junk(1 << 20, '\0');
  for (char& c : junk) c = static_cast<char>(random());
  write(junk);
  EXPECT_EQ(text("LogON", "IP"), "<default>");
  write(junk + "\n[LogON]\nIP=after junk\n");
  EXPECT_EQ(text("LogON", "IP"), "after junk");
  EXPECT_EQ(SettingsFile(name_).ReadNumber("LogON", "IP", 7), 7);

  // A 10 MB line, once with a line end and once as the unterminated last line.
  const std::string huge(10 << 20, 'a');
  write("[LogON]\nPassword=" + huge + "\nIP=x\n");
  EXPECT_EQ(text("LogON", "Password"), huge.substr(0, 2047));
  EXPECT_EQ(text("LogON", "IP"), "x");
  write("[LogON]\nIP=x\n" + huge);
  EXPECT_EQ(text("LogON", huge), "<default>");
  EXPECT_EQ(text("LogON", "User"), "<default>");
  write("[" + huge);
  EXPECT_EQ(text("LogON", "IP"), "<default>");
  write("[LogON]\nIP=" + std::string(1 << 20, '\0'));
  EXPECT_EQ(text("LogON", "IP"), "");
}

TEST_F(SettingsFileTest, ConnectionSettingsFromTheFile) {
  // The file that spells out every default.
  write("[LogON_adr]\r\nIP=localhost\r\nUser=root\r\nPassword=\r\nSQLport=3306\r\nrada=10\r\n"
        "[LogON]\r\nIP=localhost\r\nUser=root\r\nPassword=\r\nSQLport=3306\r\n");
  const ConnectionSettings defaults = readConnectionSettings(name_);
  const ConnectionSettings missing = readConnectionSettings(dir_ + "/missing.ini");
  for (const ConnectionSettings& s : {defaults, missing}) {
    for (const ServerLogin& login : {s.Central, s.Local}) {
      EXPECT_EQ(login.HostName, "localhost");
      EXPECT_EQ(login.User, "root");
      EXPECT_EQ(login.Password, "");
      EXPECT_EQ(login.Port, 3306);
      EXPECT_EQ(login.ConnectTimeout, std::nullopt);
      EXPECT_EQ(login.ReadTimeout, std::nullopt);
      EXPECT_EQ(login.SSL, "");
      EXPECT_EQ(login.SSLCA, "");
    }
    EXPECT_EQ(s.rada, "10");
  }

  write("[logon_adr]\nip=central.example\nUser=  zararod \nPassword=ta;jne\nSQLport=$0CEB\n"
        "rada=\"20\"\nconnecttimeout=5\nReadTimeout=0\nSSL=1\nSSLCA= /etc/zararod/ca.pem\n"
        "[LogON]\nIP=\nrada=99\nUser=local\nConnectTimeout=-5\nReadTimeout=0x10\nSSL=\n");
  const ConnectionSettings s = readConnectionSettings(name_);
  EXPECT_EQ(s.Central.HostName, "central.example");
  EXPECT_EQ(s.Central.User, "zararod");
  EXPECT_EQ(s.Central.Password, "ta;jne");
  EXPECT_EQ(s.Central.Port, 3307);
  EXPECT_EQ(s.rada, "20");
  EXPECT_EQ(s.Local.HostName, "");  // present but empty: not "localhost"
  EXPECT_EQ(s.Local.User, "local");
  EXPECT_EQ(s.Local.Password, "");
  EXPECT_EQ(s.Local.Port, 3306);
  // Limits above 0 only; each section keeps its own.
  EXPECT_EQ(s.Central.ConnectTimeout, 5);
  EXPECT_EQ(s.Central.ReadTimeout, std::nullopt);
  EXPECT_EQ(s.Local.ConnectTimeout, std::nullopt);
  EXPECT_EQ(s.Local.ReadTimeout, 16);
  EXPECT_EQ(s.Central.SSL, "1");
  EXPECT_EQ(s.Central.SSLCA, "/etc/zararod/ca.pem");
  EXPECT_EQ(s.Local.SSL, "");
  EXPECT_EQ(s.Local.SSLCA, "");
}

TEST(SwitchOfTextTest, OnOffOrNeither) {
  struct Case {
    const char* text;
    std::optional<bool> expected;
  } cases[] = {
      {"1", true},    {"on", true},     {"ON", true},   {"yes", true},  {"Y", true},
      {"True", true}, {"t", true},      {"2", true},    {"-1", true},   {"", false},
      {"0", false},   {"00", false},    {"off", false}, {"Off", false}, {"no", false},
      {"n", false},   {"FALSE", false}, {"f", false},   {"maybe", {}},  {"1.0", {}},
      {"+", {}},      {"enabled", {}},  {"0x1", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(switchOfText(c.text), c.expected) << "\"" << c.text << "\"";
  }
}

TEST(SettingsFileNameTest, BesideTheExecutable) {
  EXPECT_EQ(settingsFileName(), ExePath() + "vedid.ini");
}

}  // namespace
}  // namespace zararod
