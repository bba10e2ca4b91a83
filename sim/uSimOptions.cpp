#include "uSimOptions.h"

#include <functional>
#include <map>

#include "catalogue/uCodeTables.h"

namespace {

constexpr std::uint32_t cMAX_WORD = 0xFFFF;
constexpr std::uint32_t cMAX_RESTART_MS = 600000;
constexpr std::uint32_t cMAX_BAUD = 4000000;

using TValueSetter = std::function<void(TSimOptions&, const std::string&, const std::string&)>;

TValueSetter Word(std::uint16_t TSimOptions::*pField) {
  return [pField](TSimOptions& Options, const std::string& sName, const std::string& sValue) {
    Options.*pField = static_cast<std::uint16_t>(ParseSimNumber(sValue, cMAX_WORD, sName));
  };
}

const std::map<std::string, TValueSetter>& ValueOptions() {
  static const std::map<std::string, TValueSetter> cOPTIONS{
      {"--app-class", Word(&TSimOptions::nAppClass)},
      {"--app-version", Word(&TSimOptions::nAppVersion)},
      {"--serial",
       [](TSimOptions& O, const std::string& sName, const std::string& sValue) {
         O.nSerial = ParseSimNumber(sValue, 0xFFFFFFFFu, sName);
       }},
      {"--bl-class",
       [](TSimOptions& O, const std::string& sName, const std::string& sValue) {
         const std::uint32_t nClass = ParseSimNumber(sValue, cMAX_WORD, sName);
         if (nClass != cCLASS_BL && nClass != cCLASS_BL2 && nClass != cCLASS_BL3)
           throw ESimUsage(sName + ": " + sValue + " is not 0xC800, 0xC801 or 0xC802");
         O.nBlClass = static_cast<std::uint16_t>(nClass);
       }},
      {"--bl-version", Word(&TSimOptions::nBlVersion)},
      {"--platform", Word(&TSimOptions::nPlatform)},
      {"--print", Word(&TSimOptions::nPrint)},
      {"--info", Word(&TSimOptions::nInfo)},
      {"--upid-class", Word(&TSimOptions::nUpidClass)},
      {"--upid-platform", Word(&TSimOptions::nUpidPlatform)},
      {"--upid-print", Word(&TSimOptions::nUpidPrint)},
      {"--upid-crc",
       [](TSimOptions& O, const std::string& sName, const std::string& sValue) {
         O.onUpidCrc = static_cast<std::uint16_t>(ParseSimNumber(sValue, cMAX_WORD, sName));
       }},
      {"--restart-ms",
       [](TSimOptions& O, const std::string& sName, const std::string& sValue) {
         O.nRestartMs = ParseSimNumber(sValue, cMAX_RESTART_MS, sName);
       }},
      {"--baud",
       [](TSimOptions& O, const std::string& sName, const std::string& sValue) {
         O.nBaud = ParseSimNumber(sValue, cMAX_BAUD, sName);
       }},
      {"--flash-out",
       [](TSimOptions& O, const std::string&, const std::string& sValue) { O.sFlashOut = sValue; }},
      {"--flash-in",
       [](TSimOptions& O, const std::string&, const std::string& sValue) { O.sFlashIn = sValue; }},
      {"--trace",
       [](TSimOptions& O, const std::string&, const std::string& sValue) { O.sTrace = sValue; }},
      {"--link",
       [](TSimOptions& O, const std::string&, const std::string& sValue) { O.sLink = sValue; }},
      {"--fault", [](TSimOptions& O, const std::string&,
                     const std::string& sValue) { O.FaultPlan.AddSpec(sValue); }},
  };
  return cOPTIONS;
}

} // namespace

TSimOptions ParseSimOptions(const std::vector<std::string>& aArgs) {
  TSimOptions Options;
  for (std::size_t i = 0; i < aArgs.size(); ++i) {
    std::string sName = aArgs[i];
    if (sName == "--help" || sName == "-h") {
      Options.bHelp = true;
      continue;
    }
    if (sName == "--start-in-bootloader") {
      Options.bStartInBootloader = true;
      continue;
    }
    std::string sValue;
    bool bHasValue = false;
    const std::size_t nEquals = sName.find('=');
    if (sName.rfind("--", 0) == 0 && nEquals != std::string::npos) {
      sValue = sName.substr(nEquals + 1);
      sName.resize(nEquals);
      bHasValue = true;
    }
    const auto It = ValueOptions().find(sName);
    if (It == ValueOptions().end()) throw ESimUsage("unknown option \"" + aArgs[i] + "\"");
    if (!bHasValue) {
      if (i + 1 >= aArgs.size()) throw ESimUsage(sName + " needs a value");
      sValue = aArgs[++i];
    }
    if (sValue.empty()) throw ESimUsage(sName + " needs a value");
    It->second(Options, sName, sValue);
  }
  return Options;
}

const char* SimHelpText() {
  return R"(Usage: tarvik-logger-sim [OPTION]...
A simulated Tarvik logger on a pseudo-terminal. Prints the path of the port to open as
the first line on stdout, then serves any number of opens and closes of that port until
SIGINT or SIGTERM (exit status 0; 2 for a usage error). State, such as being in the
bootloader, is kept from one run of the tool to the next.

Numbers are decimal or 0x hex.
  --app-class N          class of the application (0x6601)
  --app-version N        version word of the application, major*256+minor (0x0614)
  --serial N             serial number, 32 bits (12345)
  --start-in-bootloader  start in the bootloader instead of the application
  --bl-class N           bootloader class: 0xC800, 0xC801 or 0xC802 (0xC802)
  --bl-version N         bootloader version word (0)
  --platform N           raw platform in the platform answer (24)
  --print N              raw print in the platform answer (53)
  --info N               info word in the platform answer and the update-ID block (0)
  --upid-class N         class word of the update-ID block (0x6601)
  --upid-platform N      platform word of the update-ID block (24)
  --upid-print N         print word of the update-ID block (53)
  --upid-crc N           CRC word of the update-ID block (default: the correct
                         CRC-16/MODBUS of the five words before it)
  --restart-ms N         time to come up after the bootloader-entry command and after
                         the end command; silent meanwhile (300)
  --flash-out FILE       on exit, write what was programmed as Intel HEX: byte
                         addresses, data records in address order, type 04 records
                         above 64 KiB
  --flash-in FILE        start with this flash content, as an earlier --flash-out wrote
                         it (a logger that lost power while being programmed: give
                         --start-in-bootloader too)
  --trace FILE           write every byte in and out with a time stamp, and what the
                         logger made of each frame and line: lines of seconds since
                         start, then "in" or "out" and the bytes in hex, or "--" and
                         a note
  --link PATH            also make a symbolic link PATH to the port (removed at exit)
  --baud N               send every byte as slowly as an N baud 8N1 line would
                         (9600: 1.04 ms per byte; default: no delay)
  --fault SPEC           inject a fault; repeatable, the first matching one wins
  -h, --help             show this text
  --version              show the version

The logger:
  Application: identify (frame 81 00 00 00 00 00 00 crc) answers status 0, class in
  bytes 2-3 and version in bytes 4-5, high byte first; the serial-number request
  (81 03 ...) answers the serial number in bytes 1-4, low byte first. The entry frames
  82 81 00 A5 5A 00 00 crc and 85 03 A5 5A 00 00 00 get no answer and restart into the
  bootloader. Wake frames (8 zero bytes) and unknown frames get no answer.
  Bootloader: identify answers the bootloader class and version. Hex lines (":" and
  upper-case digits, no line end) of record type 5 with one data byte:
    0x20  platform: 6 data bytes: platform, print, info, high byte first
    0x30  update-ID block, at the first address of memory range 1 of the platform
          (divided by 64 on 0xC802): 64 data bytes: class, info, platform, print,
          reserve 0xFFFF, CRC, low byte first, rest 0xFF; at another address 64 x 0xFF
    0x31  start programming (0x11 on 0xC800): answers one data byte
    0x33  end programming (0x13 on 0xC800): no answer; restarts into the application
  0xC800 knows only its start and end codes. While programming, each data line
  (type 0) is written to the flash (byte address = address field, times 64 on 0xC802)
  and echoed character for character. Anything else gets no answer.
  Input: bytes that start neither a frame (bit 7 set, or 0) nor a line (":") are
  dropped; a part of a frame or line followed by 50 ms of silence is discarded.

Faults: --fault KIND:TARGET:N[:always]
  KIND    silent  no answer; the item is ignored as if it never arrived
          short   the answer one byte short
          crc     the answer with a wrong CRC-8 or a wrong line checksum
          noise   the answer after three stray bytes: 0D 0A 3E (a line end and ">")
          status  a frame answer with status bit 0x20 and a correct CRC (frame,
                  ident and serial only)
          echo    the echo of a data line with its first data digit changed and the
                  checksum made to fit (prog only)
          hangup  the port vanishes as the item arrives (the item is not acted on):
                  master and slave are closed, the tool sees a hang-up, the simulator
                  writes --flash-out and exits with status 0
  TARGET  frame   the N-th frame that the logger answers (identify, serial number),
                  counted over the simulator's life; wake, entry and unknown frames
                  and frames arriving while the logger restarts are not counted
          line    the N-th valid hex line that the bootloader receives, over its life
          prog    the N-th data line since the last start-programming command;
                  retries count as received lines
          One step of the procedure, the N-th such item over the simulator's life
          (retries count; nothing counts while the logger restarts):
          ident     identify frame, in the application or the bootloader
          serial    serial-number request (application)
          entry     bootloader-entry frame (application; silent or hangup only:
                    silent leaves the logger in its application)
          platform  platform request
          upid      update-ID request
          start     start-programming command
          end       end-programming command (silent or hangup only: silent
                    leaves the logger in its bootloader)
  N       1-based; with :always on the N-th and every later one, else once only
  Special:
          no-bootloader    the entry frames are ignored; the logger stays in its
                           application
          restart-class:C  after the end command the logger comes up with class C
  Examples: --fault silent:frame:1:always   (never answers: failure 30)
            --fault status:frame:1  --fault echo:prog:5  --fault hangup:prog:10
            --fault crc:line:2  --fault silent:upid:1  --fault silent:end:1
)";
}
