#include "http/ozkIdMultipartFormData.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>

#include "base/ozkStringList.h"
#include "base/ozkText.h"

namespace {

namespace fs = std::filesystem;

std::u16string U(const std::string& s) {
  return UTF8ToUTF16(s);
}

std::string S(const TIdBytes& b) {
  return std::string(b.begin(), b.end());
}

TIdBytes ReadAll(TStream& aStream, int64_t aChunk) {
  TIdBytes out;
  std::vector<uint8_t> buf(static_cast<size_t>(aChunk));
  for (;;) {
    const int64_t n = aStream.Read(buf.data(), aChunk);
    EXPECT_GE(n, 0);
    if (n <= 0) break;
    // Only the last read of the body may come up short.
    out.insert(out.end(), buf.begin(), buf.begin() + n);
    if (n < aChunk) {
      EXPECT_EQ(aStream.Read(buf.data(), aChunk), 0);
      break;
    }
  }
  return out;
}

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/ozk_mp_XXXXXX";
    FPath = ::mkdtemp(tmpl);
  }
  ~TempDir() { fs::remove_all(FPath); }
  std::string File(const std::string& aName, const std::string& aContent) const {
    std::string p = FPath + "/" + aName;
    std::ofstream(p, std::ios::binary) << aContent;
    return p;
  }
  const std::string& Path() const { return FPath; }

 private:
  std::string FPath;
};

std::string RandomBytes(size_t aCount, unsigned aSeed) {
  std::mt19937 rng(aSeed);
  std::string s(aCount, '\0');
  for (auto& c : s) c = static_cast<char>(rng() & 0xFF);
  return s;
}

struct ParsedPart {
  std::string Name, FileName, ContentType, Data;
};

std::string FromHex(const std::string& aHex) {
  if (aHex == "-") return std::string();
  std::string r;
  for (size_t i = 0; i + 1 < aHex.size(); i += 2)
    r.push_back(static_cast<char>(std::stoi(aHex.substr(i, 2), nullptr, 16)));
  return r;
}

// Parses the body with Python's standard-library email parser (a parser written elsewhere).
std::vector<ParsedPart> ParseWithPython(const TIdBytes& aBody, const std::u16string& aContentType,
                                        const TempDir& aDir) {
  const std::string bodyFile = aDir.Path() + "/body.bin";
  std::ofstream(bodyFile, std::ios::binary)
      .write(reinterpret_cast<const char*>(aBody.data()),
             static_cast<std::streamsize>(aBody.size()));
  const std::string cmd = "python3 " OZK_HTTP_TEST_DIR "/multipart_parse.py '" + bodyFile + "' '" +
                          UTF16ToUTF8(aContentType) + "' '" + aDir.Path() + "' 2>&1";
  std::vector<ParsedPart> parts;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) {
    ADD_FAILURE() << "cannot run python3";
    return parts;
  }
  std::string output;
  char line[4096];
  while (std::fgets(line, sizeof line, p)) output += line;
  const int status = ::pclose(p);
  EXPECT_EQ(status, 0) << output;
  std::istringstream in(output);
  int index;
  std::string name, file, type;
  while (in >> index >> name >> file >> type) {
    ParsedPart part{FromHex(name), FromHex(file), type, {}};
    std::ifstream data(aDir.Path() + "/part" + std::to_string(index) + ".bin", std::ios::binary);
    part.Data.assign(std::istreambuf_iterator<char>(data), {});
    parts.push_back(std::move(part));
  }
  return parts;
}

} // namespace

TEST(MultipartBody, UploadLayoutIsExact) {
  TempDir dir;
  const std::string file = dir.File("notes.PDF", "%PDF-1.4 data\r\n");
  TIdMultiPartFormDataStream form;
  form.AddFile(u"file", U(file));
  form.AddFormField(u"purpose", u"assistants");
  const std::string b = UTF16ToUTF8(form.Boundary());
  EXPECT_EQ(form.RequestContentType(), u"multipart/form-data; boundary=" + form.Boundary());
  const std::string expected = "--" + b +
                               "\r\nContent-Disposition: form-data; name=\"file\"; "
                               "filename=\"notes.PDF\"\r\nContent-Type: application/pdf\r\n"
                               "Content-Transfer-Encoding: binary\r\n\r\n%PDF-1.4 data\r\n\r\n"
                               "--" +
                               b +
                               "\r\nContent-Disposition: form-data; name=\"purpose\"\r\n"
                               "Content-Type: text/plain\r\nContent-Transfer-Encoding: "
                               "quoted-printable\r\n\r\nassistants\r\n--" +
                               b + "--\r\n";
  EXPECT_EQ(form.Size(), static_cast<int64_t>(expected.size()));
  EXPECT_EQ(S(ReadAll(form, 4096)), expected);
  EXPECT_EQ(form.Position(), static_cast<int64_t>(expected.size()));

  // A form without fields is just the closing delimiter.
  TIdMultiPartFormDataStream empty;
  EXPECT_EQ(empty.Size(), static_cast<int64_t>(empty.Boundary().size()) + 6);
  EXPECT_EQ(S(ReadAll(empty, 100)), "--" + UTF16ToUTF8(empty.Boundary()) + "--\r\n");
}

TEST(MultipartBody, ChunkSizesSizeAndRestart) {
  TempDir dir;
  const std::string fileData = RandomBytes(20000, 7);
  const std::string file = dir.File("data.bin", fileData);
  TMemoryStream qpSource, b64Source;
  const std::string qpText = "line one\r\n" + std::string(150, 'x') + " \r\n.dot\r\nend=";
  qpSource.Write(qpText.data(), static_cast<int64_t>(qpText.size()));
  const std::string b64Data = RandomBytes(1000, 9);
  b64Source.Write(b64Data.data(), static_cast<int64_t>(b64Data.size()));

  TIdMultiPartFormDataStream form;
  form.AddFile(u"file", U(file), u"application/octet-stream");
  form.AddFormField(u"long", std::u16string(200, u'v') + u"\r\nsecond", u"utf-8");
  form.AddFormField(u"empty", u"");
  form.AddFormField(U("näme"), U("wört"), u"utf-8");
  form.AddFormField(u"qp", u"text/plain", u"", &qpSource).SetContentTransfer(u"quoted-printable");
  form.AddFormField(u"b64", u"", u"", &b64Source, u"x.gif").SetContentTransfer(u"base64");
  form.AddFormField(u"text64", U("ünï"), u"utf-8").SetContentTransfer(u"base64");
  form.AddFormField(u"raw8", U("ünï"), u"utf-8").SetContentTransfer(u"8bit");
  form.AddFormField(u"seven", U("é"), u"").SetContentTransfer(u"7bit");

  const int64_t size = form.Size();
  const TIdBytes whole = ReadAll(form, 1 << 20);
  EXPECT_EQ(static_cast<int64_t>(whole.size()), size);
  EXPECT_EQ(form.Size(), size); // asking again after reading changes nothing
  for (int chunk = 1; chunk <= 64; ++chunk) {
    EXPECT_EQ(form.Seek(0, TSeekOrigin::soBeginning), 0);
    ASSERT_EQ(ReadAll(form, chunk), whole) << "chunk " << chunk;
  }
  // Seeking forward skips (through file data without reading it); backward restarts.
  for (int64_t pos : {int64_t(1), int64_t(150), int64_t(5000), size - 10, size / 2, int64_t(3)}) {
    EXPECT_EQ(form.Seek(pos, TSeekOrigin::soBeginning), pos);
    EXPECT_EQ(ReadAll(form, 777), TIdBytes(whole.begin() + pos, whole.end())) << pos;
  }
  EXPECT_EQ(form.Seek(0, TSeekOrigin::soEnd), size);
  uint8_t one;
  EXPECT_EQ(form.Read(&one, 1), 0);
  EXPECT_EQ(form.Seek(-5, TSeekOrigin::soEnd), size - 5);
  EXPECT_EQ(form.Seek(2, TSeekOrigin::soCurrent), size - 3);
  EXPECT_EQ(ReadAll(form, 10), TIdBytes(whole.end() - 3, whole.end()));
  // A caller's stream is handed back at its start.
  EXPECT_EQ(qpSource.Position(), 0);

  TempDir pyDir;
  const auto parts = ParseWithPython(whole, form.RequestContentType(), pyDir);
  ASSERT_EQ(parts.size(), 9u);
  EXPECT_EQ(parts[0].Data, fileData);
  EXPECT_EQ(parts[1].Data, std::string(200, 'v') + "\r\nsecond");
  EXPECT_EQ(parts[2].Data, "");
  EXPECT_EQ(parts[3].Name, "näme");
  EXPECT_EQ(parts[3].Data, "wört");
  EXPECT_EQ(parts[4].Data, qpText);
  EXPECT_EQ(parts[5].Data, b64Data);
  EXPECT_EQ(parts[5].FileName, "x.gif");
  EXPECT_EQ(parts[5].ContentType, "image/gif");
  EXPECT_EQ(parts[6].Data, "ünï");
  EXPECT_EQ(parts[7].Data, "ünï");
  EXPECT_EQ(parts[8].Data, "\xE9"); // 7bit text goes out in the 8-bit encoding
}

TEST(MultipartBody, QuotedPrintableAndBase64Lines) {
  TIdMultiPartFormDataStream form;
  form.AddFormField(u"f", u".start = tab\tend \r\n" + std::u16string(100, u'a'));
  const std::string body = S(ReadAll(form, 4096));
  const std::string data = body.substr(body.find("\r\n\r\n") + 4);
  const std::string qp = data.substr(0, data.find("--" + UTF16ToUTF8(form.Boundary())));
  EXPECT_EQ(qp, "=2Estart =3D tab\tend=20\r\n" + std::string(70, 'a') + "=\r\n" +
                    std::string(30, 'a') + "\r\n");

  // Empty value: only the CR LF after the part header.
  TIdMultiPartFormDataStream empty;
  empty.AddFormField(u"e", u"");
  const std::string eb = S(ReadAll(empty, 4096));
  EXPECT_NE(eb.find("quoted-printable\r\n\r\n\r\n--"), std::string::npos);

  TMemoryStream src;
  const std::string bin = RandomBytes(200, 3);
  src.Write(bin.data(), static_cast<int64_t>(bin.size()));
  TIdMultiPartFormDataStream b64;
  b64.AddFormField(u"b", u"application/octet-stream", u"", &src).SetContentTransfer(u"base64");
  const std::string bb = S(ReadAll(b64, 4096));
  EXPECT_EQ(static_cast<int64_t>(bb.size()), b64.Size());
  std::string lines = bb.substr(bb.find("base64\r\n\r\n") + 10);
  lines = lines.substr(0, lines.find("\r\n--"));
  // 200 bytes: three lines of 76 characters and one of 40, then the part's CR LF.
  EXPECT_TRUE(std::regex_match(lines, std::regex("([A-Za-z0-9+/]{76}\r\n){3}[A-Za-z0-9+/=]{40}")))
      << lines;
}

TEST(MultipartBody, NamesThatAreNotPlainAscii) {
  TempDir dir;
  const std::string fileData = RandomBytes(3000, 11);
  const std::string file = dir.File("日本語 ファイル.txt", fileData);
  const std::string quoted = dir.File("say \"hi\".txt", "q");
  TIdMultiPartFormDataStream form;
  form.AddFile(U("файл"), U(file));
  TIdFormDataField& q = form.AddFile(U("ascii name"), U(quoted));
  q.SetHeaderEncoding(u'Q');
  form.AddFormField(U("emoji😀"), u"v");
  const TIdBytes body = ReadAll(form, 4096);
  const std::string text = S(body);
  // The header lines themselves stay ASCII.
  const std::string headers = text.substr(0, text.find("\r\n\r\n"));
  EXPECT_NE(headers.find("name=\"=?UTF-8?B?"), std::string::npos) << headers;
  EXPECT_NE(text.find("filename=\"=?UTF-8?Q?say_=22hi=22=2Etxt?=\""), std::string::npos);

  TempDir pyDir;
  const auto parts = ParseWithPython(body, form.RequestContentType(), pyDir);
  ASSERT_EQ(parts.size(), 3u);
  EXPECT_EQ(parts[0].Name, "файл");
  EXPECT_EQ(parts[0].FileName, "日本語 ファイル.txt");
  EXPECT_EQ(parts[0].ContentType, "text/plain");
  EXPECT_EQ(parts[0].Data, fileData);
  EXPECT_EQ(parts[1].Name, "ascii name");
  EXPECT_EQ(parts[1].FileName, "say \"hi\".txt");
  EXPECT_EQ(parts[1].Data, "q");
  EXPECT_EQ(parts[2].Name, "emoji😀");
  EXPECT_EQ(parts[2].Data, "v");
}

TEST(MultipartBody, BoundaryFieldsAndErrors) {
  TLocalDateTime t{2024, 12, 8, 14, 5, 9, 123, 0};
  EXPECT_EQ(TIdMultiPartFormDataStream::GenerateUniqueBoundary(t), u"--------120824140509123");
  TIdMultiPartFormDataStream form;
  EXPECT_TRUE(std::regex_match(UTF16ToUTF8(form.Boundary()), std::regex("-{8}[0-9]{15}")));

  TempDir dir;
  EXPECT_THROW(form.AddFile(u"file", U(dir.Path() + "/missing.txt")), EFOpenError);
  EXPECT_EQ(form.Fields().Count(), 0);

  try {
    form.Write("x", 1);
    FAIL();
  } catch (const EStreamError& e) {
    EXPECT_EQ(e.Message(), u"Unsupported operation.");
  }
  try {
    form.SetSize(10);
    FAIL();
  } catch (const EStreamError& e) {
    EXPECT_EQ(e.Message(), u"Unsupported operation.");
  }
  const std::u16string objectError =
      u"Unsupported object type. You can assign only one of the following types or their "
      u"descendants: TStrings, TStream.";
  TStringList list;
  for (int i = 0; i < 2; ++i) {
    try {
      if (i == 0)
        form.AddObject(u"o", u"", u"", static_cast<TStream*>(nullptr));
      else
        form.AddObject(u"o", u"", u"", &list);
      FAIL();
    } catch (const EIdInvalidObjectType& e) {
      EXPECT_EQ(e.Message(), objectError);
    }
  }
  TMemoryStream m;
  m.Write("abc", 3);
  TIdFormDataField& f = form.AddObject(u"o", u"", u"", &m, u"dir/pic.PNG");
  EXPECT_EQ(f.ContentType(), u"image/x-png");
  EXPECT_EQ(f.FileName(), u"pic.PNG");
  EXPECT_EQ(f.ContentTransfer(), u"binary");
  EXPECT_FALSE(f.CanFreeFieldStream());
  TIdFormDataField& v = form.AddFormField(u"v", u"x", u"", u"", u"/a/b/c.txt");
  EXPECT_EQ(v.FileName(), u"c.txt");
  EXPECT_EQ(v.HeaderCharSet(), u"UTF-8");
  EXPECT_EQ(v.HeaderEncoding(), u'B');
  const int64_t before = form.Size();
  EXPECT_EQ(static_cast<int64_t>(ReadAll(form, 3).size()), before);
  form.Clear();
  EXPECT_EQ(form.Fields().Count(), 0);
  EXPECT_EQ(S(ReadAll(form, 64)), "--" + UTF16ToUTF8(form.Boundary()) + "--\r\n");
}

TEST(MultipartBody, UploadedFileIsHeldAgainstWritersAndNeverOverrun) {
  TempDir dir;
  const std::string path = dir.File("f.bin", std::string(1000, 'a'));
  {
    TIdMultiPartFormDataStream form;
    form.AddFile(u"file", U(path));
    EXPECT_THROW({ TFileStream writer(U(path), fmOpenReadWrite); }, EFOpenError);
    TFileStream reader(U(path), fmOpenRead | fmShareDenyNone);
    (void)reader;
  }
  EXPECT_NO_THROW({ TFileStream writer(U(path), fmOpenReadWrite); });

  // A file that grows after the size was announced still yields exactly the announced body.
  TIdMultiPartFormDataStream form;
  form.AddFile(u"file", U(path));
  const int64_t size = form.Size();
  std::ofstream(path, std::ios::app) << std::string(500, 'b');
  EXPECT_EQ(static_cast<int64_t>(ReadAll(form, 333).size()), size);

  // One that shrinks makes reading fail instead of sending a short body.
  TMemoryStream shrinking;
  shrinking.Write(std::string(100, 'z').data(), 100);
  TIdMultiPartFormDataStream second;
  second.AddObject(u"s", u"", u"", &shrinking);
  const int64_t announced = second.Size();
  std::vector<uint8_t> buf(static_cast<size_t>(announced));
  EXPECT_EQ(second.Read(buf.data(), 150), 150);
  shrinking.SetSize(10);
  EXPECT_THROW(second.Read(buf.data(), announced), EReadError);
}
