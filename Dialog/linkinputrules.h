#pragma once

// Input rules of the link fields, shared by the connection window and the link dialog.

// A dotted IPv4 address with every part 0 to 255, or nothing.
constexpr char HostIpPattern[] =
    "(2([0-4][0-9]|5[0-5])|[0-1]?[0-9]{1,2})([.](2([0-4][0-9]|5[0-5])|[0-1]?[0-9]{1,2})){3}|^$";
// An address, or for a search a range of them ("192.168.1.10-192.168.1.40",
// as zeltctl scan --tcp takes it), or nothing.
#define ZELT_IPV4                                                                                  \
    "(2([0-4][0-9]|5[0-5])|[0-1]?[0-9]{1,2})([.](2([0-4][0-9]|5[0-5])|[0-1]?[0-9]{1,2})){3}"
constexpr char HostRangePattern[] = ZELT_IPV4 "(-" ZELT_IPV4 ")?|^$";
#undef ZELT_IPV4
// Every port number 1 to 65535, or nothing.
constexpr char PortPattern[] = "([1-9][0-9]{0,3}|[1-5][0-9]{4}|6[0-4][0-9]{3}|65[0-4][0-9]{2}|"
                               "655[0-2][0-9]|6553[0-5])|^$";
