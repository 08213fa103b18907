#include "net/ozkIdBuffer.h"

#include <gtest/gtest.h>

#include "support/ozkTestUtil.h"

#include <cstring>
#include <string>

#include "base/ozkStream.h"
#include "net/ozkIdException.h"

namespace {

TIdBytes Bytes(std::string_view AText) {
  return TIdBytes(AText.begin(), AText.end());
}

std::string Stored(const TIdBuffer& ABuffer) {
  return std::string(reinterpret_cast<const char*>(ABuffer.Data()), size_t(ABuffer.Size()));
}

} // namespace

TEST(TIdBuffer, GrowthReservesSlackAndEmptyAppendTakesExactCapacity) {
  TIdBuffer buffer;
  buffer.Write(Bytes("hello"));
  EXPECT_EQ(buffer.Size(), 5);
  EXPECT_EQ(buffer.Capacity(), 5); // the bytes become the whole storage
  buffer.Write(Bytes("abc"));
  EXPECT_EQ(buffer.Capacity(), 5 + 3 + 2048);
  buffer.Write(Bytes("xyz")); // fits into the slack: no growth
  EXPECT_EQ(buffer.Capacity(), 5 + 3 + 2048);
  EXPECT_EQ(Stored(buffer), "helloabcxyz");

  // An append first moves the stored bytes to the front.
  buffer.Remove(4);
  EXPECT_EQ(buffer.HeadIndex(), 4);
  buffer.Write(uint8_t('!'));
  EXPECT_EQ(buffer.HeadIndex(), 0);
  EXPECT_EQ(Stored(buffer), "oabcxyz!");

  // Removing everything releases the storage.
  buffer.Remove(100);
  EXPECT_EQ(buffer.Size(), 0);
  EXPECT_EQ(buffer.Capacity(), 0);
}

TEST(TIdBuffer, RemovalCompactsOnlyPastTheGrowthFactor) {
  TIdBuffer buffer;
  buffer.Write(TIdBytes(10000, 'a'));
  buffer.Remove(2048);
  EXPECT_EQ(buffer.HeadIndex(), 2048); // skipped, not moved
  EXPECT_EQ(buffer.Capacity(), 10000);
  buffer.Remove(1); // head 2049 > 2048: compacts with shrinking
  EXPECT_EQ(buffer.HeadIndex(), 0);
  EXPECT_EQ(buffer.Capacity(), 7951 + 2048);

  // 100 bytes left behind a head above 2048 end at index 0 of a 2148-byte storage.
  TIdBuffer other;
  TIdBytes data(10000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i % 251);
  other.Write(data);
  other.Remove(9900);
  EXPECT_EQ(other.HeadIndex(), 0);
  EXPECT_EQ(other.Size(), 100);
  EXPECT_EQ(other.Capacity(), 2148);
  EXPECT_EQ(other.PeekByte(0), uint8_t(9900 % 251));
  EXPECT_EQ(other.PeekByte(99), uint8_t(9999 % 251));

  // Compaction without shrinking keeps the capacity; with shrinking it trims the slack.
  TIdBuffer third(16);
  third.Write(TIdBytes(100, 'b'));
  third.Write(TIdBytes(50, 'c'));
  EXPECT_EQ(third.Capacity(), 100 + 50 + 16);
  third.Remove(10);
  third.CompactHead(false);
  EXPECT_EQ(third.HeadIndex(), 0);
  EXPECT_EQ(third.Capacity(), 166);
  third.CompactHead(true);
  EXPECT_EQ(third.Capacity(), 140 + 16);
}

TEST(TIdBuffer, CapacityAndErrors) {
  TIdBuffer buffer;
  buffer.Write(Bytes("abcd"));
  EXPECT_EQ(MessageOf<EIdException>([&] { buffer.SetCapacity(3); }),
            u"Capacity cannot be smaller than Size");
  buffer.SetCapacity(64);
  EXPECT_EQ(buffer.Capacity(), 64);
  EXPECT_EQ(Stored(buffer), "abcd");

  TIdBytes out;
  EXPECT_EQ(MessageOf<EIdNotEnoughDataInBuffer>([&] { buffer.ExtractToBytes(out, 10); }),
            u"Not enough data in buffer. (10/4)");
  EXPECT_EQ(MessageOf<EIdNotEnoughDataInBuffer>([&] { buffer.ExtractToUInt64(); }),
            u"Not enough data in buffer. (8/4)");
  EXPECT_EQ(buffer.Size(), 4); // a failed extraction takes nothing

  EXPECT_EQ(MessageOf<EIdException>([&] { buffer.PeekByte(4); }), u"Index out of bounds.");
  EXPECT_EQ(MessageOf<EIdException>([&] { buffer.PeekByte(-1); }), u"Index out of bounds.");
  TIdBuffer empty;
  EXPECT_EQ(MessageOf<EIdException>([&] { empty.PeekByte(0); }), u"No bytes in buffer.");
}

TEST(TIdBuffer, IndexOfRules) {
  TIdBuffer empty;
  EXPECT_EQ(empty.IndexOf(TIdBytes{}, -5), -1); // empty buffer: -1 whatever the arguments
  EXPECT_EQ(empty.IndexOf(uint8_t('a'), 99), -1);

  TIdBuffer buffer;
  buffer.Write(Bytes("xxabcabc"));
  buffer.Remove(2); // positions count from the first stored byte
  EXPECT_EQ(buffer.IndexOf(Bytes("abc")), 0);
  EXPECT_EQ(buffer.IndexOf(Bytes("abc"), 1), 3);
  EXPECT_EQ(buffer.IndexOf(Bytes("cab"), 0), 2);
  EXPECT_EQ(buffer.IndexOf(Bytes("abcd"), 0), -1);
  EXPECT_EQ(buffer.IndexOf(Bytes("bc"), 5), -1); // only "c" left after position 5
  EXPECT_EQ(buffer.IndexOf(uint8_t('c'), 3), 5);
  EXPECT_EQ(buffer.IndexOf(u"ca"), 2);
  EXPECT_EQ(MessageOf<EIdException>([&] { buffer.IndexOf(TIdBytes{}); }),
            u"Buffer terminator must be specified.");
  EXPECT_EQ(MessageOf<EIdException>([&] { buffer.IndexOf(u""); }),
            u"Buffer terminator must be specified.");
  EXPECT_EQ(MessageOf<EIdException>([&] { buffer.IndexOf(Bytes("a"), 6); }),
            u"Buffer start position is invalid.");
  EXPECT_EQ(MessageOf<EIdException>([&] { buffer.IndexOf(Bytes("a"), -1); }),
            u"Buffer start position is invalid.");
}

TEST(TIdBuffer, ExtractionForms) {
  TIdBuffer buffer;
  buffer.Write(Bytes("0123456789"));

  TIdBytes target = Bytes("AB");
  buffer.ExtractToBytes(target, 3); // append
  EXPECT_EQ(target, Bytes("AB012"));
  TIdBytes longer = Bytes("ZZZZZ");
  buffer.ExtractToBytes(longer, 2, false); // written at 0, not shrunk
  EXPECT_EQ(longer, Bytes("34ZZZ"));
  TIdBytes shorter;
  buffer.ExtractToBytes(shorter, 1, false); // grown when shorter
  EXPECT_EQ(shorter, Bytes("5"));

  EXPECT_EQ(buffer.ExtractToString(0), u"");
  EXPECT_EQ(buffer.ExtractToString(2), u"67");
  TMemoryStream stream;
  buffer.ExtractToStream(stream, 1);
  EXPECT_EQ(std::string(stream.Bytes().begin(), stream.Bytes().end()), "8");
  TIdBuffer other;
  other.Write(Bytes(">"));
  buffer.ExtractToIdBuffer(other);
  EXPECT_EQ(Stored(other), ">9");
  EXPECT_EQ(buffer.Size(), 0);
  EXPECT_EQ(buffer.ExtractToString(), u""); // -1 on an empty buffer: empty text

  // SaveToStream keeps the bytes stored.
  TMemoryStream saved;
  other.SaveToStream(saved);
  EXPECT_EQ(saved.Size(), 2);
  EXPECT_EQ(other.Size(), 2);
}

TEST(TIdBuffer, IntegersTravelInNetworkOrder) {
  TIdBuffer buffer;
  buffer.Write(uint8_t(0x01));
  buffer.Write(uint16_t(0x0203));
  buffer.Write(uint32_t(0x04050607));
  buffer.Write(uint64_t(0x08090A0B0C0D0E0Full));
  TIdIPv6Address address{{0x2001, 0x0DB8, 0, 0, 0, 0, 0, 1}};
  buffer.Write(address);
  ASSERT_EQ(buffer.Size(), 1 + 2 + 4 + 8 + 16);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(buffer.PeekByte(i), uint8_t(i + 1));
  EXPECT_EQ(buffer.PeekByte(15), 0x20);
  EXPECT_EQ(buffer.PeekByte(16), 0x01);

  EXPECT_EQ(buffer.ExtractToUInt8(), 0x01);
  EXPECT_EQ(buffer.ExtractToUInt16(), 0x0203);
  EXPECT_EQ(buffer.ExtractToUInt32(), 0x04050607u);
  EXPECT_EQ(buffer.ExtractToUInt64(), 0x08090A0B0C0D0E0Full);
  const TIdIPv6Address back = buffer.ExtractToIPv6();
  for (int i = 0; i < 8; ++i) EXPECT_EQ(back.Words[i], address.Words[i]);

  // Without conversion the bytes are taken in host order.
  buffer.Write(uint16_t(0x0102));
  uint16_t raw;
  const uint8_t wire[2] = {0x01, 0x02};
  std::memcpy(&raw, wire, 2);
  EXPECT_EQ(buffer.ExtractToWord(false), raw);
}

TEST(TIdBuffer, WriteFormsAndConstructors) {
  TIdBuffer buffer;
  buffer.Write(Bytes("abcdef"), 2, 3); // two bytes from offset 3
  buffer.Write(Bytes("xyz"), -1, 1);   // everything from offset 1
  buffer.Write(Bytes("q"), 5);         // never more than the array holds
  buffer.Write(Bytes("nothing"), 0);   // ALength 0 writes nothing
  buffer.Write(Bytes("abc"), -1, 3);   // offset at the end writes nothing
  EXPECT_EQ(Stored(buffer), "deyzq");

  // Streams: -1 from the position, 0 the whole stream after rewinding, n at most n.
  TMemoryStream stream;
  stream.WriteBuffer("0123456789", 10);
  stream.SetPosition(7);
  TIdBuffer fromStream;
  fromStream.Write(stream, -1);
  EXPECT_EQ(Stored(fromStream), "789");
  EXPECT_EQ(fromStream.Capacity(), 3); // exactly FSize + n
  fromStream.Write(stream, 0);
  EXPECT_EQ(Stored(fromStream), "7890123456789");
  stream.SetPosition(8);
  fromStream.Write(stream, 5);
  EXPECT_EQ(Stored(fromStream), "789012345678989");
  fromStream.Write(stream, -1); // nothing left
  EXPECT_EQ(fromStream.Size(), 15);

  TIdBuffer adopted(Bytes("whole"), -1);
  EXPECT_EQ(Stored(adopted), "whole");
  TIdBuffer copied(Bytes("whole"), 3);
  EXPECT_EQ(Stored(copied), "who");
  EXPECT_EQ(copied.Capacity(), 3);
}

TEST(TIdBuffer, RemovalNotificationReportsRemovedBytes) {
  std::vector<int> removed;
  TIdBuffer buffer([&](TIdBuffer*, int ABytes) { removed.push_back(ABytes); });
  buffer.Write(Bytes("0123456789"));
  buffer.Remove(3);
  buffer.ExtractToString(2);
  buffer.ExtractToUInt16();
  buffer.Remove(50); // clears; reports what was really stored
  EXPECT_EQ(removed, (std::vector<int>{3, 2, 2, 3}));
}
