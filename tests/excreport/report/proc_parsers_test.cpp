#include "excreport/report/proc_parsers.h"

#include <gtest/gtest.h>

namespace kestrova {
namespace {

TEST(ProcParsersTest, NameServersAreTheIpv4Entries) {
  EXPECT_EQ(ParseNameServers("# comment\nsearch lan\nnameserver 192.168.1.1\nnameserver fe80::1%eth0\n"
                             "  nameserver\t8.8.8.8  \n#nameserver 1.1.1.1\nnameserver 300.1.1.1\nnameserver 9.9.9.9"),
            (std::vector<std::string>{"192.168.1.1", "8.8.8.8", "9.9.9.9"}));
  EXPECT_TRUE(ParseNameServers("").empty());
}

TEST(ProcParsersTest, DefaultGatewaysPerInterface) {
  const char* route =
      "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
      "eth0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
      "eth0\t0001A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n"
      "wlan0\t00000000\t00000000\t0001\t0\t0\t600\t00000000\t0\t0\t0\n";
  EXPECT_EQ(ParseDefaultGateways(route), (std::map<std::string, std::string>{{"eth0", "192.168.1.1"}}));
}

TEST(ProcParsersTest, MappedFilesWithCodeOnly) {
  const char* maps =
      "7f0000002000-7f0000003000 r--p 00002000 08:01 12 /usr/lib/libz.so.1\n"
      "55d000000000-55d000001000 r--p 00000000 08:01 10 /opt/my app/kestrova\n"
      "55d000001000-55d000005000 r-xp 00001000 08:01 10 /opt/my app/kestrova\n"
      "7f0000000000-7f0000001000 r--p 00000000 08:01 12 /usr/lib/libz.so.1\n"
      "7f0000001000-7f0000002000 r-xp 00001000 08:01 12 /usr/lib/libz.so.1\n"
      "7f0000010000-7f0000020000 r--p 00000000 08:01 13 /usr/lib/locale/locale-archive\n"
      "7ffd00000000-7ffd00021000 rw-p 00000000 00:00 0 [stack]\n"
      "7f0000030000-7f0000031000 rw-p 00000000 00:00 0\n";
  const std::vector<MappedFile> files = ParseMappedFiles(maps);
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].Path, "/opt/my app/kestrova");
  EXPECT_EQ(files[0].Start, 0x55d000000000u);
  EXPECT_EQ(files[0].End, 0x55d000005000u);
  EXPECT_EQ(files[1].Path, "/usr/lib/libz.so.1");
  EXPECT_EQ(files[1].End - files[1].Start, 0x3000u);
}

TEST(ProcParsersTest, ProcessorNameFallbacks) {
  EXPECT_EQ(ParseProcessorName("processor\t: 0\nvendor_id\t: GenuineIntel\nmodel name\t: Intel(R) Xeon(R)\n"
                               "processor\t: 1\nmodel name\t: Other\n"),
            "Intel(R) Xeon(R)");
  EXPECT_EQ(ParseProcessorName("vendor_id\t: AuthenticAMD\ncpu family\t: 23\nmodel\t\t: 49\nstepping\t: 0\n"),
            "AuthenticAMD - Family 23 Model 49 Stepping 0");
  EXPECT_EQ(ParseProcessorName("processor : 0\nBogoMIPS : 48.00\n"), "Unknown processor");
}

TEST(ProcParsersTest, SystemFiles) {
  EXPECT_EQ(ParseOsReleaseName("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
            "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(ParseOsReleaseName("NAME='Alpine'\nVERSION=3.19\n"), "Alpine 3.19");
  EXPECT_EQ(ParseOsReleaseName(""), "");
  EXPECT_EQ(ParseMemInfoBytes("MemTotal:       16314856 kB\nMemAvailable:    8000000 kB\n", "MemAvailable"), 8000000ull * 1024);
  EXPECT_EQ(ParseMemInfoBytes("MemTotal: 1 kB\n", "MemFree"), 0u);
  // The command name may hold blanks and parentheses.
  EXPECT_EQ(ParseStartTicks("1234 (a) b) S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 987654 19"), 987654u);
  EXPECT_EQ(ParseStartTicks("garbage"), 0u);
  EXPECT_EQ(ParseBootTime("cpu 1 2 3\nbtime 1700000000\nprocesses 5\n"), 1700000000);
  EXPECT_EQ(ParseCommandLineParameters(std::string("/usr/bin/kestrova\0-x\0a b\0", 25)), (std::vector<std::string>{"-x", "a b"}));
  EXPECT_TRUE(ParseCommandLineParameters(std::string("/usr/bin/kestrova\0", 18)).empty());
}

}  // namespace
}  // namespace kestrova
