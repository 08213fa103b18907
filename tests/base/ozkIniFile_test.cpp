#include "base/ozkIniFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <signal.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/ozkText.h"

namespace {

namespace fs = std::filesystem;

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "ozk-ini-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    FDir = tmpl;
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(FDir, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(FDir, ec);
  }
  std::string PathOf(const std::string& aName) const { return (FDir / aName).string(); }
  std::u16string Write(const std::string& aName, const std::string& aText) const {
    std::ofstream(PathOf(aName), std::ios::binary) << aText;
    return UTF8ToUTF16(PathOf(aName));
  }
  std::string Contents(const std::string& aName) const {
    std::ifstream f(PathOf(aName), std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> r;
    for (const auto& e : fs::directory_iterator(FDir)) r.push_back(e.path().filename().string());
    return r;
  }
  fs::path FDir;
};

// Runs aBody in a forked child after aPrepare; returns the message of the EIniFileException it
// raised, "<no exception>" when it raised none. The child is how a test gets a failing write
// even when the suite runs as root.
std::string MessageInChild(const std::function<void()>& aPrepare,
                           const std::function<void()>& aBody) {
  int p[2];
  if (::pipe(p) != 0) return "<pipe failed>";
  pid_t pid = ::fork();
  if (pid == 0) {
    ::close(p[0]);
    aPrepare();
    std::string msg = "<no exception>";
    try {
      aBody();
    } catch (const EIniFileException& e) {
      msg = e.what();
    } catch (...) {
      msg = "<other exception>";
    }
    (void)!::write(p[1], msg.data(), msg.size());
    ::_exit(0);
  }
  ::close(p[1]);
  std::string r;
  char buf[512];
  ssize_t n;
  while ((n = ::read(p[0], buf, sizeof buf)) > 0) r.append(buf, static_cast<size_t>(n));
  ::close(p[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return r;
}

TEST_F(IniFileTest, ReadingRules) {
  TIniFile ini(Write("a.ini", "\xEF\xBB\xBF; comment=not a key\n"
                              "[Sec]\n"
                              "hex=0x2\n"
                              "HEXUP=0X1f\n"
                              "hexbare=0x\n"
                              "hexbad=0xZZ\n"
                              "hexneg=0xFFFFFFFF\n"
                              "hexbig=0x100000000\n"
                              "neg=-1\n"
                              "huge=99999999999\n"
                              "seven=7\n"
                              "yes=yes\n"
                              "empty=\n"
                              "  spaced  =  some value  \r\n"
                              "eq=a=b\n"
                              "[other]\n"
                              "hex=5\n"));
  struct {
    const char16_t* key;
    int def;
    int want;
  } ints[] = {{u"hex", 9, 2},     {u"hexup", 9, 31},  {u"hexbare", 9, 9}, {u"hexbad", 9, 9},
              {u"hexneg", 9, -1}, {u"hexbig", 9, 9},  {u"neg", 9, -1},    {u"huge", 9, 9},
              {u"empty", 9, 9},   {u"missing", 9, 9}, {u"spaced", 9, 9}};
  for (const auto& c : ints)
    EXPECT_EQ(ini.ReadInteger(u"SEC", c.key, c.def), c.want) << UTF16ToUTF8(c.key);
  EXPECT_TRUE(ini.ReadBool(u"sec", u"seven", false));
  EXPECT_FALSE(ini.ReadBool(u"sec", u"yes", false));
  EXPECT_TRUE(ini.ReadBool(u"sec", u"yes", true));
  EXPECT_FALSE(ini.ReadBool(u"sec", u"empty", false));

  EXPECT_EQ(ini.ReadString(u"sec", u"empty", u"def"), u"");
  EXPECT_EQ(ini.ReadString(u"sec", u"missing", u"def"), u"def");
  EXPECT_EQ(ini.ReadString(u"sec", u"SPACED", u""), u"some value");
  EXPECT_EQ(ini.ReadString(u"sec", u"eq", u""), u"a=b");
  EXPECT_EQ(ini.ReadInteger(u"other", u"hex", 0), 5);
  // Lines ahead of the first header belong to no section.
  EXPECT_FALSE(ini.ValueExists(u"", u"; comment"));
  EXPECT_FALSE(ini.SectionExists(u"nosuch"));
}

TEST_F(IniFileTest, LongValuesAreCutTo2047Characters) {
  std::string big(3000, 'v');
  TIniFile ini(Write("a.ini", "[s]\nk=" + big + "\n"));
  EXPECT_EQ(ini.ReadString(u"s", u"k", u"").size(), TIniFile::MaxValueLength);
}

TEST_F(IniFileTest, MissingOrUnreadableFileReadsEmpty) {
  TIniFile missing(UTF8ToUTF16(PathOf("none.ini")));
  EXPECT_EQ(missing.ReadString(u"s", u"k", u"d"), u"d");
  fs::create_directory(FDir / "dir.ini");
  TIniFile dir(UTF8ToUTF16(PathOf("dir.ini")));
  EXPECT_FALSE(dir.SectionExists(u"s"));
}

TEST_F(IniFileTest, EveryValueReadsBackAsWritten) {
  const std::u16string values[] = {u"plain text",
                                   u"",
                                   u"line one\r\nline two\r\n",
                                   u"lf\nonly",
                                   u"cr\ronly",
                                   u"\r\n",
                                   u" leading space",
                                   u"trailing tab\t",
                                   u"\"quoted\"",
                                   u"\"",
                                   u"back\\slash \\n not a break",
                                   u"\"\\r\"",
                                   u"[not a section]",
                                   u"k=v",
                                   u"caf\u00e9 \u65e5\u672c"};
  std::u16string file = UTF8ToUTF16(PathOf("rt.ini"));
  {
    TIniFile ini(file);
    for (size_t i = 0; i < std::size(values); ++i)
      ini.WriteString(u"S", u"K" + IntToStr(static_cast<int64_t>(i)), values[i]);
    ini.UpdateFile();
  }
  TIniFile back(file);
  for (size_t i = 0; i < std::size(values); ++i)
    EXPECT_EQ(back.ReadString(u"s", u"k" + IntToStr(static_cast<int64_t>(i)), u"<missing>"),
              values[i])
        << i;
  // One line per key: a value never spills onto a line of its own.
  std::string text = Contents("rt.ini");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + static_cast<long>(std::size(values)));
  EXPECT_NE(text.find("\nK0=plain text\n"), std::string::npos);
  EXPECT_NE(text.find("\nK2=\"line one\\r\\nline two\\r\\n\"\n"), std::string::npos);
  EXPECT_NE(text.find("\nK10=back\\slash \\n not a break\n"), std::string::npos);
}

TEST_F(IniFileTest, HandWrittenPlainValueReadsAsItStands) {
  TIniFile ini(Write("h.ini", "[s]\npath=C:\\new\\temp\nhalf=\"open\n"));
  EXPECT_EQ(ini.ReadString(u"s", u"path", u""), u"C:\\new\\temp");
  EXPECT_EQ(ini.ReadString(u"s", u"half", u""), u"\"open");
}

// A first line that begins with U+FEFF (after the mark itself, or after blanks that a pair's key
// loses) kept that character when written back at the start of the file, where the next read
// skipped it as a byte-order mark: "\uFEFF[S]", no header when read, became the section "S".
TEST_F(IniFileTest, LeadingFeffStaysPartOfTheFirstLineWhenWrittenBack) {
  const struct {
    const char* Name;
    std::string Text;
  } cases[] = {
      {"double mark before a header", "\xEF\xBB\xBF\xEF\xBB\xBF[S]\nk=1\n"},
      {"blanks and U+FEFF before a pair's key", "  \xEF\xBB\xBF[S]=1\nk=2\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::u16string file = Write("feff.ini", c.Text);
    const TIniFile before(file);
    ASSERT_FALSE(before.SectionExists(u"S"));
    before.UpdateFile();
    const TIniFile after(file);
    EXPECT_FALSE(after.SectionExists(u"S"));
    EXPECT_EQ(after.ReadString(u"S", u"k", u"-"), u"-");
    EXPECT_EQ(Contents("feff.ini").substr(0, 6), "\xEF\xBB\xBF\xEF\xBB\xBF");
  }
  // A text that does not begin with U+FEFF is written without a mark.
  TIniFile plain(Write("plain.ini", "\xEF\xBB\xBF[S]\nk=1\n"));
  plain.UpdateFile();
  EXPECT_EQ(Contents("plain.ini"), "[S]\nk=1\n");
}

TEST_F(IniFileTest, UpdateKeepsOtherLinesAndOrder) {
  std::u16string file = Write("k.ini", "; top comment\n"
                                       "[A]\n"
                                       "x=1\n"
                                       "\n"
                                       "; about B\n"
                                       "[B]\n"
                                       "y=2\n");
  TIniFile ini(file);
  ini.WriteInteger(u"a", u"X", 10); // replaces in place, the stored key name kept
  ini.WriteString(u"A", u"new", u"n");
  ini.WriteBool(u"C", u"flag", true);
  ini.WriteString(u"B", u"gone", u"g");
  ini.DeleteKey(u"b", u"GONE");
  ini.DeleteKey(u"b", u"absent");
  ini.UpdateFile();
  EXPECT_EQ(Contents("k.ini"), "; top comment\n"
                               "[A]\n"
                               "x=10\n"
                               "new=n\n"
                               "\n"
                               "; about B\n"
                               "[B]\n"
                               "y=2\n"
                               "\n"
                               "[C]\n"
                               "flag=1\n");
}

TEST_F(IniFileTest, WrittenFileIsPrivateAndNoTemporaryRemains) {
  std::u16string file = Write("p.ini", "[s]\nk=old\n");
  ::chmod(PathOf("p.ini").c_str(), 0644);
  TIniFile ini(file);
  ini.WriteString(u"s", u"k", u"secret");
  ini.UpdateFile();
  struct stat st {};
  ASSERT_EQ(::stat(PathOf("p.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(Names(), std::vector<std::string>{"p.ini"});
  EXPECT_EQ(Contents("p.ini"), "[s]\nk=secret\n");
}

TEST_F(IniFileTest, WriteIntoReadOnlyFolderKeepsOldFile) {
  std::u16string file = Write("r.ini", "[s]\nk=old\n");
  ::chmod(FDir.c_str(), 0555);
  std::string msg = MessageInChild(
      [] {
        // Root ignores folder permissions: write as an unprivileged user instead.
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(1);
      },
      [&] {
        TIniFile ini(file);
        ini.WriteString(u"s", u"k", u"new");
        ini.UpdateFile();
      });
  EXPECT_EQ(msg, "Unable to write to " + PathOf("r.ini"));
  ::chmod(FDir.c_str(), 0755);
  EXPECT_EQ(Contents("r.ini"), "[s]\nk=old\n");
  EXPECT_EQ(Names(), std::vector<std::string>{"r.ini"});
}

TEST_F(IniFileTest, WriteFailingMidwayKeepsOldFileAndLeavesNoTemporary) {
  std::u16string file = Write("m.ini", "[s]\nk=old\n");
  std::string msg = MessageInChild(
      [] {
        // A file-size limit makes write() fail with EFBIG part of the way through.
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit lim {
          1024, 1024
        };
        ::setrlimit(RLIMIT_FSIZE, &lim);
      },
      [&] {
        TIniFile ini(file);
        ini.WriteString(u"s", u"k", std::u16string(4096, u'x'));
        ini.UpdateFile();
      });
  EXPECT_EQ(msg, "Unable to write to " + PathOf("m.ini"));
  EXPECT_EQ(Contents("m.ini"), "[s]\nk=old\n");
  EXPECT_EQ(Names(), std::vector<std::string>{"m.ini"});
}

} // namespace
