// The charset table behind TextEncodingOfCharset: the names of the IANA character-set registry
// (each set's name followed by its aliases) and the platform's own code-page names, each with a
// Windows code page or none. Looked up with letter case ignored.
#include "net/ozkIdGlobal.h"

#include <string>
#include <unordered_map>

namespace {

// One character set: its code page (0: none) and its names, separated by single spaces (no
// registered name contains a space).
struct TCharsetRow {
  uint16_t CodePage;
  const char* Names;
};

// A name carries a code page only where a Windows code page encodes the same set. The forms
// that only differ in how bidirectional text is laid out (ISO-8859-6-E/-I, ISO-8859-8-E) share
// the code page of their base set; ISO-8859-8-I has its own (38598).
constexpr TCharsetRow kRegistry[] = {
    {20127, "US-ASCII iso-ir-6 ANSI_X3.4-1968 ANSI_X3.4-1986 ISO_646.irv:1991 ISO646-US us "
            "IBM367 cp367 csASCII"},
    {28591, "ISO_8859-1:1987 iso-ir-100 ISO_8859-1 ISO-8859-1 latin1 l1 IBM819 CP819 "
            "csISOLatin1"},
    {28592, "ISO_8859-2:1987 iso-ir-101 ISO_8859-2 ISO-8859-2 latin2 l2 csISOLatin2"},
    {28593, "ISO_8859-3:1988 iso-ir-109 ISO_8859-3 ISO-8859-3 latin3 l3 csISOLatin3"},
    {28594, "ISO_8859-4:1988 iso-ir-110 ISO_8859-4 ISO-8859-4 latin4 l4 csISOLatin4"},
    {28595, "ISO_8859-5:1988 iso-ir-144 ISO_8859-5 ISO-8859-5 cyrillic csISOLatinCyrillic"},
    {28596, "ISO_8859-6:1987 iso-ir-127 ISO_8859-6 ISO-8859-6 ECMA-114 arabic csISOLatinArabic"},
    {708, "ASMO-708"}, // an alias of ISO-8859-6 with a code page of its own
    {28597, "ISO_8859-7:1987 iso-ir-126 ISO_8859-7 ISO-8859-7 ELOT_928 ECMA-118 greek greek8 "
            "csISOLatinGreek"},
    {28598, "ISO_8859-8:1988 iso-ir-138 ISO_8859-8 ISO-8859-8 hebrew csISOLatinHebrew"},
    {28599, "ISO_8859-9:1989 iso-ir-148 ISO_8859-9 ISO-8859-9 latin5 l5 csISOLatin5"},
    {28600, "ISO-8859-10 iso-ir-157 l6 ISO_8859-10:1992 csISOLatin6 latin6"},
    {20269, "ISO_6937-2-add iso-ir-142 csISOTextComm"},
    {0, "JIS_X0201 X0201 csHalfWidthKatakana"},
    {0, "JIS_Encoding csJISEncoding"},
    {932, "Shift_JIS MS_Kanji csShiftJIS"},
    {20932, "Extended_UNIX_Code_Packed_Format_for_Japanese csEUCPkdFmtJapanese EUC-JP"},
    {0, "Extended_UNIX_Code_Fixed_Width_for_Japanese csEUCFixWidJapanese"},
    {0, "BS_4730 iso-ir-4 ISO646-GB gb uk csISO4UnitedKingdom"},
    {0, "SEN_850200_C iso-ir-11 ISO646-SE2 se2 csISO11SwedishForNames"},
    {0, "IT iso-ir-15 ISO646-IT csISO15Italian"},
    {0, "ES iso-ir-17 ISO646-ES csISO17Spanish"},
    {20106, "DIN_66003 iso-ir-21 de ISO646-DE csISO21German"},
    {20108, "NS_4551-1 iso-ir-60 ISO646-NO no csISO60DanishNorwegian csISO60Norwegian1"},
    {0, "NF_Z_62-010 iso-ir-69 ISO646-FR fr csISO69French"},
    {0, "ISO-10646-UTF-1 csISO10646UTF1"},
    {0, "ISO_646.basic:1983 ref csISO646basic1983"},
    {0, "INVARIANT csINVARIANT"},
    {20105, "ISO_646.irv:1983 iso-ir-2 irv csISO2IntlRefVersion"},
    {0, "NATS-SEFI iso-ir-8-1 csNATSSEFI"},
    {0, "NATS-SEFI-ADD iso-ir-8-2 csNATSSEFIADD"},
    {0, "NATS-DANO iso-ir-9-1 csNATSDANO"},
    {0, "NATS-DANO-ADD iso-ir-9-2 csNATSDANOADD"},
    {20107, "SEN_850200_B iso-ir-10 FI ISO646-FI ISO646-SE se csISO10Swedish"},
    {949, "KS_C_5601-1987 iso-ir-149 KS_C_5601-1989 KSC_5601 korean csKSC56011987"},
    {50225, "ISO-2022-KR csISO2022KR"},
    {51949, "EUC-KR csEUCKR"},
    {50220, "ISO-2022-JP csISO2022JP"},
    {0, "ISO-2022-JP-2 csISO2022JP2"},
    {0, "JIS_C6220-1969-jp JIS_C6220-1969 iso-ir-13 katakana x0201-7 csISO13JISC6220jp"},
    {0, "JIS_C6220-1969-ro iso-ir-14 jp ISO646-JP csISO14JISC6220ro"},
    {0, "PT iso-ir-16 ISO646-PT csISO16Portuguese"},
    {0, "greek7-old iso-ir-18 csISO18Greek7Old"},
    {0, "latin-greek iso-ir-19 csISO19LatinGreek"},
    {0, "NF_Z_62-010_(1973) iso-ir-25 ISO646-FR1 csISO25French"},
    {0, "Latin-greek-1 iso-ir-27 csISO27LatinGreek1"},
    {0, "ISO_5427 iso-ir-37 csISO5427Cyrillic"},
    {0, "JIS_C6226-1978 iso-ir-42 csISO42JISC62261978"},
    {0, "BS_viewdata iso-ir-47 csISO47BSViewdata"},
    {0, "INIS iso-ir-49 csISO49INIS"},
    {0, "INIS-8 iso-ir-50 csISO50INIS8"},
    {0, "INIS-cyrillic iso-ir-51 csISO51INISCyrillic"},
    {0, "ISO_5427:1981 iso-ir-54 ISO5427Cyrillic1981 csISO54271981"},
    {0, "ISO_5428:1980 iso-ir-55 csISO5428Greek"},
    {0, "GB_1988-80 iso-ir-57 cn ISO646-CN csISO57GB1988"},
    {936, "GB_2312-80 iso-ir-58 chinese csISO58GB231280"},
    {0, "NS_4551-2 ISO646-NO2 iso-ir-61 no2 csISO61Norwegian2"},
    {0, "videotex-suppl iso-ir-70 csISO70VideotexSupp1"},
    {0, "PT2 iso-ir-84 ISO646-PT2 csISO84Portuguese2"},
    {0, "ES2 iso-ir-85 ISO646-ES2 csISO85Spanish2"},
    {0, "MSZ_7795.3 iso-ir-86 ISO646-HU hu csISO86Hungarian"},
    {0, "JIS_C6226-1983 iso-ir-87 x0208 JIS_X0208-1983 csISO87JISX0208"},
    {0, "greek7 iso-ir-88 csISO88Greek7"},
    {0, "ASMO_449 ISO_9036 arabic7 iso-ir-89 csISO89ASMO449"},
    {0, "iso-ir-90 csISO90"},
    {0, "JIS_C6229-1984-a iso-ir-91 jp-ocr-a csISO91JISC62291984a"},
    {0, "JIS_C6229-1984-b iso-ir-92 ISO646-JP-OCR-B jp-ocr-b csISO92JISC62991984b"},
    {0, "JIS_C6229-1984-b-add iso-ir-93 jp-ocr-b-add csISO93JIS62291984badd"},
    {0, "JIS_C6229-1984-hand iso-ir-94 jp-ocr-hand csISO94JIS62291984hand"},
    {0, "JIS_C6229-1984-hand-add iso-ir-95 jp-ocr-hand-add csISO95JIS62291984handadd"},
    {0, "JIS_C6229-1984-kana iso-ir-96 csISO96JISC62291984kana"},
    {0, "ISO_2033-1983 iso-ir-98 e13b csISO2033"},
    {0, "ANSI_X3.110-1983 iso-ir-99 CSA_T500-1983 NAPLPS csISO99NAPLPS"},
    {0, "T.61-7bit iso-ir-102 csISO102T617bit"},
    {20261, "T.61-8bit T.61 iso-ir-103 csISO103T618bit"},
    {0, "ECMA-cyrillic iso-ir-111 KOI8-E csISO111ECMACyrillic"},
    {0, "CSA_Z243.4-1985-1 iso-ir-121 ISO646-CA csa7-1 csa71 ca csISO121Canadian1"},
    {0, "CSA_Z243.4-1985-2 iso-ir-122 ISO646-CA2 csa7-2 csa72 csISO122Canadian2"},
    {0, "CSA_Z243.4-1985-gr iso-ir-123 csISO123CSAZ24341985gr"},
    {28596, "ISO_8859-6-E csISO88596E ISO-8859-6-E"},
    {28596, "ISO_8859-6-I csISO88596I ISO-8859-6-I"},
    {0, "T.101-G2 iso-ir-128 csISO128T101G2"},
    {28598, "ISO_8859-8-E csISO88598E ISO-8859-8-E"},
    {38598, "ISO_8859-8-I csISO88598I ISO-8859-8-I"},
    {0, "CSN_369103 iso-ir-139 csISO139CSN369103"},
    {0, "JUS_I.B1.002 iso-ir-141 ISO646-YU js yu csISO141JUSIB1002"},
    {0, "IEC_P27-1 iso-ir-143 csISO143IECP271"},
    {0, "JUS_I.B1.003-serb iso-ir-146 serbian csISO146Serbian"},
    {0, "JUS_I.B1.003-mac macedonian iso-ir-147 csISO147Macedonian"},
    {0, "greek-ccitt iso-ir-150 csISO150 csISO150GreekCCITT"},
    {0, "NC_NC00-10:81 cuba iso-ir-151 ISO646-CU csISO151Cuba"},
    {0, "ISO_6937-2-25 iso-ir-152 csISO6937Add"},
    {0, "GOST_19768-74 ST_SEV_358-88 iso-ir-153 csISO153GOST1976874"},
    {0, "ISO_8859-supp iso-ir-154 latin1-2-5 csISO8859Supp"},
    {0, "ISO_10367-box iso-ir-155 csISO10367Box"},
    {0, "latin-lap lap iso-ir-158 csISO158Lap"},
    {0, "JIS_X0212-1990 x0212 iso-ir-159 csISO159JISX02121990"},
    {0, "DS_2089 DS2089 ISO646-DK dk csISO646Danish"},
    {0, "us-dk csUSDK"},
    {0, "dk-us csDKUS"},
    {0, "KSC5636 ISO646-KR csKSC5636"},
    // The older name of UTF-7, whose rules differ; it is deliberately left without a code page.
    {0, "UNICODE-1-1-UTF-7 csUnicode11UTF7"},
    {50227, "ISO-2022-CN csISO2022CN"},
    {0, "ISO-2022-CN-EXT csISO2022CNEXT"},
    {65001, "UTF-8 csUTF8"},
    {28603, "ISO-8859-13 csISO885913"},
    {28604, "ISO-8859-14 iso-ir-199 ISO_8859-14:1998 ISO_8859-14 latin8 iso-celtic l8 "
            "csISO885914"},
    {28605, "ISO-8859-15 ISO_8859-15 Latin-9 csISO885915"},
    {28606, "ISO-8859-16 iso-ir-226 ISO_8859-16:2001 ISO_8859-16 latin10 l10 csISO885916"},
    {936, "GBK CP936 MS936 windows-936 csGBK"},
    {54936, "GB18030 csGB18030"},
    {0, "OSD_EBCDIC_DF04_15 csOSDEBCDICDF0415"},
    {0, "OSD_EBCDIC_DF03_IRV csOSDEBCDICDF03IRV"},
    {0, "OSD_EBCDIC_DF04_1 csOSDEBCDICDF041"},
    {0, "ISO-11548-1 ISO_11548-1 ISO_TR_11548-1 csISO115481"},
    {0, "KZ-1048 STRK1048-2002 RK1048 csKZ1048"},
    // Without a byte-order mark these are read in the platform's order, as its "unicode" is.
    {1200, "ISO-10646-UCS-2 csUnicode"},
    {12000, "ISO-10646-UCS-4 csUCS4"},
    {0, "ISO-10646-UCS-Basic csUnicodeASCII"},
    {0, "ISO-10646-Unicode-Latin1 csUnicodeLatin1 ISO-10646"},
    {0, "ISO-10646-J-1 csUnicodeJapanese"},
    {0, "ISO-Unicode-IBM-1261 csUnicodeIBM1261"},
    {0, "ISO-Unicode-IBM-1268 csUnicodeIBM1268"},
    {0, "ISO-Unicode-IBM-1276 csUnicodeIBM1276"},
    {0, "ISO-Unicode-IBM-1264 csUnicodeIBM1264"},
    {0, "ISO-Unicode-IBM-1265 csUnicodeIBM1265"},
    {0, "UNICODE-1-1 csUnicode11"},
    {0, "SCSU csSCSU"},
    {65000, "UTF-7 csUTF7"},
    {1201, "UTF-16BE csUTF16BE"},
    {1200, "UTF-16LE csUTF16LE"},
    {1200, "UTF-16 csUTF16"},
    {0, "CESU-8 csCESU8 csCESU-8"},
    {12000, "UTF-32 csUTF32"},
    {12001, "UTF-32BE csUTF32BE"},
    {12000, "UTF-32LE csUTF32LE"},
    {0, "BOCU-1 csBOCU1 csBOCU-1"},
    {0, "UTF-7-IMAP csUTF7IMAP"},
    {1252, "ISO-8859-1-Windows-3.0-Latin-1 csWindows30Latin1"},
    {1252, "ISO-8859-1-Windows-3.1-Latin-1 csWindows31Latin1"},
    {1250, "ISO-8859-2-Windows-Latin-2 csWindows31Latin2"},
    {1254, "ISO-8859-9-Windows-Latin-5 csWindows31Latin5"},
    {0, "hp-roman8 roman8 r8 csHPRoman8"},
    {0, "Adobe-Standard-Encoding csAdobeStandardEncoding"},
    {0, "Ventura-US csVenturaUS"},
    {0, "Ventura-International csVenturaInternational"},
    {0, "DEC-MCS dec csDECMCS"},
    {850, "IBM850 cp850 850 csPC850Multilingual"},
    {0, "PC8-Danish-Norwegian csPC8DanishNorwegian"},
    {862, "IBM862 cp862 862 csPC862LatinHebrew"},
    {0, "PC8-Turkish csPC8Turkish"},
    {0, "IBM-Symbols csIBMSymbols"},
    {20838, "IBM-Thai csIBMThai"},
    {0, "HP-Legal csHPLegal"},
    {0, "HP-Pi-font csHPPiFont"},
    {0, "HP-Math8 csHPMath8"},
    {0, "Adobe-Symbol-Encoding csHPPSMath"},
    {0, "HP-DeskTop csHPDesktop"},
    {0, "Ventura-Math csVenturaMath"},
    {0, "Microsoft-Publishing csMicrosoftPublishing"},
    {932, "Windows-31J csWindows31J"},
    {936, "GB2312 csGB2312"},
    {950, "Big5 csBig5"},
    {10000, "macintosh mac csMacintosh"},
    {37, "IBM037 cp037 ebcdic-cp-us ebcdic-cp-ca ebcdic-cp-wt ebcdic-cp-nl csIBM037"},
    {0, "IBM038 EBCDIC-INT cp038 csIBM038"},
    {20273, "IBM273 CP273 csIBM273"},
    {0, "IBM274 EBCDIC-BE CP274 csIBM274"},
    {0, "IBM275 EBCDIC-BR cp275 csIBM275"},
    {20277, "IBM277 EBCDIC-CP-DK EBCDIC-CP-NO csIBM277"},
    {20278, "IBM278 CP278 ebcdic-cp-fi ebcdic-cp-se csIBM278"},
    {20280, "IBM280 CP280 ebcdic-cp-it csIBM280"},
    {0, "IBM281 EBCDIC-JP-E cp281 csIBM281"},
    {20284, "IBM284 CP284 ebcdic-cp-es csIBM284"},
    {20285, "IBM285 CP285 ebcdic-cp-gb csIBM285"},
    {20290, "IBM290 cp290 EBCDIC-JP-kana csIBM290"},
    {20297, "IBM297 cp297 ebcdic-cp-fr csIBM297"},
    {20420, "IBM420 cp420 ebcdic-cp-ar1 csIBM420"},
    {20423, "IBM423 cp423 ebcdic-cp-gr csIBM423"},
    {20424, "IBM424 cp424 ebcdic-cp-he csIBM424"},
    {437, "IBM437 cp437 437 csPC8CodePage437"},
    {500, "IBM500 CP500 ebcdic-cp-be ebcdic-cp-ch csIBM500"},
    {0, "IBM851 cp851 851 csIBM851"},
    {852, "IBM852 cp852 852 csPCp852"},
    {855, "IBM855 cp855 855 csIBM855"},
    {857, "IBM857 cp857 857 csIBM857"},
    {860, "IBM860 cp860 860 csIBM860"},
    {861, "IBM861 cp861 861 cp-is csIBM861"},
    {863, "IBM863 cp863 863 csIBM863"},
    {864, "IBM864 cp864 csIBM864"},
    {865, "IBM865 cp865 865 csIBM865"},
    {0, "IBM868 CP868 cp-ar csIBM868"},
    {869, "IBM869 cp869 869 cp-gr csIBM869"},
    {870, "IBM870 CP870 ebcdic-cp-roece ebcdic-cp-yu csIBM870"},
    {20871, "IBM871 CP871 ebcdic-cp-is csIBM871"},
    {20880, "IBM880 cp880 EBCDIC-Cyrillic csIBM880"},
    {0, "IBM891 cp891 csIBM891"},
    {0, "IBM903 cp903 csIBM903"},
    {0, "IBM904 cp904 904 csIBBM904"},
    {20905, "IBM905 CP905 ebcdic-cp-tr csIBM905"},
    {0, "IBM918 CP918 ebcdic-cp-ar2 csIBM918"},
    {1026, "IBM1026 CP1026 csIBM1026"},
    {0, "EBCDIC-AT-DE csIBMEBCDICATDE"},
    {0, "EBCDIC-AT-DE-A csEBCDICATDEA"},
    {0, "EBCDIC-CA-FR csEBCDICCAFR"},
    {0, "EBCDIC-DK-NO csEBCDICDKNO"},
    {0, "EBCDIC-DK-NO-A csEBCDICDKNOA"},
    {0, "EBCDIC-FI-SE csEBCDICFISE"},
    {0, "EBCDIC-FI-SE-A csEBCDICFISEA"},
    {0, "EBCDIC-FR csEBCDICFR"},
    {0, "EBCDIC-IT csEBCDICIT"},
    {0, "EBCDIC-PT csEBCDICPT"},
    {0, "EBCDIC-ES csEBCDICES"},
    {0, "EBCDIC-ES-A csEBCDICESA"},
    {0, "EBCDIC-ES-S csEBCDICESS"},
    {0, "EBCDIC-UK csEBCDICUK"},
    {0, "EBCDIC-US csEBCDICUS"},
    {0, "UNKNOWN-8BIT csUnknown8BiT"},
    {0, "MNEMONIC csMnemonic"},
    {0, "MNEM csMnem"},
    {0, "VISCII csVISCII"},
    {0, "VIQR csVIQR"},
    {20866, "KOI8-R csKOI8R"},
    {52936, "HZ-GB-2312"},
    {866, "IBM866 cp866 866 csIBM866"},
    {775, "IBM775 cp775 csPC775Baltic"},
    {21866, "KOI8-U csKOI8U"},
    {858, "IBM00858 CCSID00858 CP00858 PC-Multilingual-850+euro csIBM00858"},
    {20924, "IBM00924 CCSID00924 CP00924 ebcdic-Latin9--euro csIBM00924"},
    {1140, "IBM01140 CCSID01140 CP01140 ebcdic-us-37+euro csIBM01140"},
    {1141, "IBM01141 CCSID01141 CP01141 ebcdic-de-273+euro csIBM01141"},
    {1142, "IBM01142 CCSID01142 CP01142 ebcdic-dk-277+euro ebcdic-no-277+euro csIBM01142"},
    {1143, "IBM01143 CCSID01143 CP01143 ebcdic-fi-278+euro ebcdic-se-278+euro csIBM01143"},
    {1144, "IBM01144 CCSID01144 CP01144 ebcdic-it-280+euro csIBM01144"},
    {1145, "IBM01145 CCSID01145 CP01145 ebcdic-es-284+euro csIBM01145"},
    {1146, "IBM01146 CCSID01146 CP01146 ebcdic-gb-285+euro csIBM01146"},
    {1147, "IBM01147 CCSID01147 CP01147 ebcdic-fr-297+euro csIBM01147"},
    {1148, "IBM01148 CCSID01148 CP01148 ebcdic-international-500+euro csIBM01148"},
    {1149, "IBM01149 CCSID01149 CP01149 ebcdic-is-871+euro csIBM01149"},
    // Big5 with the Hong Kong additions: read as Big5, which covers all but those additions.
    {950, "Big5-HKSCS csBig5HKSCS"},
    {1047, "IBM1047 IBM-1047 csIBM1047"},
    {0, "PTCP154 csPTCP154 PT154 CP154 Cyrillic-Asian"},
    {0, "Amiga-1251 Ami1251 Amiga1251 Ami-1251 csAmiga1251"},
    {0, "KOI7-switched csKOI7switched"},
    {0, "BRF csBRF"},
    {0, "TSCII csTSCII"},
    {51932, "CP51932 csCP51932"},
    {874, "windows-874 cswindows874"},
    {1250, "windows-1250 cswindows1250"},
    {1251, "windows-1251 cswindows1251"},
    {1252, "windows-1252 cswindows1252"},
    {1253, "windows-1253 cswindows1253"},
    {1254, "windows-1254 cswindows1254"},
    {1255, "windows-1255 cswindows1255"},
    {1256, "windows-1256 cswindows1256"},
    {1257, "windows-1257 cswindows1257"},
    {1258, "windows-1258 cswindows1258"},
    // windows-874 is a superset of TIS-620.
    {874, "TIS-620 csTIS620 ISO-8859-11"},
    {50220, "CP50220 csCP50220"},
};

// The platform's own names of code pages that the registry does not name, and the common
// short name "ASCII".
constexpr TCharsetRow kPlatformNames[] = {
    {20127, "ASCII"},
    {720, "DOS-720"},
    {737, "ibm737"},
    {862, "DOS-862"},
    {875, "cp875"},
    {1047, "IBM01047"},
    {1201, "unicodeFFFE"},
    {1361, "Johab"},
    {10001, "x-mac-japanese"},
    {10002, "x-mac-chinesetrad"},
    {10003, "x-mac-korean"},
    {10004, "x-mac-arabic"},
    {10005, "x-mac-hebrew"},
    {10006, "x-mac-greek"},
    {10007, "x-mac-cyrillic"},
    {10008, "x-mac-chinesesimp"},
    {10010, "x-mac-romanian"},
    {10017, "x-mac-ukrainian"},
    {10021, "x-mac-thai"},
    {10029, "x-mac-ce"},
    {10079, "x-mac-icelandic"},
    {10081, "x-mac-turkish"},
    {10082, "x-mac-croatian"},
    {20000, "x-Chinese_CNS"},
    {20001, "x-cp20001"},
    {20002, "x_Chinese-Eten"},
    {20003, "x-cp20003"},
    {20004, "x-cp20004"},
    {20005, "x-cp20005"},
    {20105, "x-IA5"},
    {20106, "x-IA5-German"},
    {20107, "x-IA5-Swedish"},
    {20108, "x-IA5-Norwegian"},
    {20261, "x-cp20261"},
    {20269, "x-cp20269"},
    {20833, "x-EBCDIC-KoreanExtended"},
    {20936, "x-cp20936"},
    {20949, "x-cp20949"},
    {21025, "cp1025"},
    {29001, "x-Europa"},
    {50227, "x-cp50227"},
    {51936, "EUC-CN"},
    {57002, "x-iscii-de"},
    {57003, "x-iscii-be"},
    {57004, "x-iscii-ta"},
    {57005, "x-iscii-te"},
    {57006, "x-iscii-as"},
    {57007, "x-iscii-or"},
    {57008, "x-iscii-ka"},
    {57009, "x-iscii-ma"},
    {57010, "x-iscii-gu"},
    {57011, "x-iscii-pa"},
};

std::string LowerASCII(std::string_view AName) {
  std::string r(AName);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  return r;
}

struct TCharsetTable {
  std::vector<TIdCharsetName> Rows;
  std::unordered_map<std::string, uint16_t> ByLowerName;

  TCharsetTable() {
    auto add = [this](const TCharsetRow& ARow) {
      std::string_view names(ARow.Names);
      while (!names.empty()) {
        const size_t space = names.find(' ');
        const std::string_view name = names.substr(0, space);
        Rows.push_back({std::string(name), ARow.CodePage});
        // The first row of a name wins; the table test keeps names unique.
        ByLowerName.emplace(LowerASCII(name), ARow.CodePage);
        if (space == std::string_view::npos) break;
        names.remove_prefix(space + 1);
      }
    };
    for (const auto& row : kRegistry) add(row);
    for (const auto& row : kPlatformNames) add(row);
  }
};

const TCharsetTable& Table() {
  static const TCharsetTable table; // thread-safe one-time construction
  return table;
}

} // namespace

const std::vector<TIdCharsetName>& IdCharsetTable() {
  return Table().Rows;
}

bool LookupCharset(std::u16string_view ACharset, uint16_t& ACodePage) {
  std::string key;
  key.reserve(ACharset.size());
  for (char16_t c : ACharset) {
    if (c == 0 || c >= 0x80) return false; // every name is printable ASCII
    key.push_back(static_cast<char>(c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c));
  }
  const auto& map = Table().ByLowerName;
  const auto it = map.find(key);
  if (it == map.end()) return false;
  ACodePage = it->second;
  return true;
}
