// datagram-flood: sends a steady stream of hostile "ServerAv" and "ServerData"
// datagrams to the bridge from a loopback address of its own, the way a broken
// or malicious device on the network could. Loopback addresses only: it refuses
// to send anywhere else.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

struct Options {
    std::string from = "127.0.0.2";
    std::string to = "127.0.0.1";
    int port = 15683;
    long rate = 2000;  // datagrams per second
    long seconds = 30;
    unsigned seed = 1;
};

const char kHelp[] =
    "usage: datagram-flood [--from ADDR] [--to ADDR] [--port N] [--rate PER_SECOND]\n"
    "                      [--seconds N] [--seed N]\n"
    "Sends hostile avionics datagrams (random fields, repeated SALT, AP and COM keys,\n"
    "absurd stick values) from ADDR (default 127.0.0.2) to ADDR:N (default\n"
    "127.0.0.1:15683), RATE a second (default 2000) for N seconds (default 30).\n"
    "Both addresses must be loopback (127.x.y.z). Prints the number sent.\n";

bool loopbackAddress(const std::string& text, in_addr& out) {
    return ::inet_pton(AF_INET, text.c_str(), &out) == 1 && (ntohl(out.s_addr) >> 24) == 127;
}

bool parseLong(const char* text, long min, long max, long& out) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < min || value > max) return false;
    out = value;
    return true;
}

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::fputs(kHelp, stdout);
            std::exit(0);
        }
        if (i + 1 >= argc) return false;
        const char* value = argv[++i];
        long number = 0;
        if (arg == "--from") {
            options.from = value;
        } else if (arg == "--to") {
            options.to = value;
        } else if (arg == "--port" && parseLong(value, 1, 65535, number)) {
            options.port = static_cast<int>(number);
        } else if (arg == "--rate" && parseLong(value, 1, 1000000, number)) {
            options.rate = number;
        } else if (arg == "--seconds" && parseLong(value, 1, 86400, number)) {
            options.seconds = number;
        } else if (arg == "--seed" && parseLong(value, 0, 0x7fffffff, number)) {
            options.seed = static_cast<unsigned>(number);
        } else {
            return false;
        }
    }
    return true;
}

// One datagram of up to 4095 bytes: the bridge reads no more.
std::string hostileDatagram(std::mt19937& random) {
    static const char* const kKeys[] = {"SALT", "AP", "COM1", "COM1S", "COM2", "NAV1", "SHDG", "XPDR", "HPA",
                                        "CS", "AS", "UKP", "UKM", "VS", "SPD", "DME", "ADF", "SCRS1", "ZZZ"};
    std::uniform_int_distribution<int> pick(0, 99);
    if (pick(random) < 5) {
        std::string data = "ServerData";
        for (int i = 0; i < 50; ++i) data += pick(random) < 50 ? "|JOYX=1e300" : "|JOYY=-4.5";
        return data;
    }
    std::string text = "ServerAv";
    const bool salt = pick(random) < 30;
    while (text.size() < 4000) {
        if (salt) {
            text += "|SALT=200000";
            continue;
        }
        const char* key = kKeys[pick(random) % (sizeof kKeys / sizeof kKeys[0])];
        text += '|';
        text += key;
        text += '=';
        // Switch-like keys get the values that do something; the rest any number.
        const bool small = key[0] == 'A' || (key[0] == 'C' && key[1] == 'S');
        text += std::to_string(small ? static_cast<std::int32_t>(random() % 5) : static_cast<std::int32_t>(random()));
    }
    return text.substr(0, 4095);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::fputs(kHelp, stderr);
        return 2;
    }
    in_addr from{}, to{};
    if (!loopbackAddress(options.from, from) || !loopbackAddress(options.to, to)) {
        std::fputs("datagram-flood: only loopback addresses (127.x.y.z) are accepted\n", stderr);
        return 2;
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr = from;
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        std::perror("datagram-flood: bind");
        return 1;
    }
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_addr = to;
    peer.sin_port = htons(static_cast<std::uint16_t>(options.port));

    std::mt19937 random(options.seed);
    // Sent in slices of 10 ms on an absolute clock, so the rate holds whatever a send costs.
    constexpr long kSlicesPerSecond = 100;
    timespec next{};
    ::clock_gettime(CLOCK_MONOTONIC, &next);
    long sent = 0;
    for (long slice = 0; slice < options.seconds * kSlicesPerSecond; ++slice) {
        const long due = options.rate * (slice + 1) / kSlicesPerSecond;
        while (sent < due) {
            const std::string text = hostileDatagram(random);
            ::sendto(fd, text.data(), text.size(), 0, reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
            ++sent;
        }
        next.tv_nsec += 1000000000L / kSlicesPerSecond;
        if (next.tv_nsec >= 1000000000L) {
            next.tv_nsec -= 1000000000L;
            ++next.tv_sec;
        }
        ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
    std::printf("%ld datagrams sent\n", sent);
    ::close(fd);
    return 0;
}
