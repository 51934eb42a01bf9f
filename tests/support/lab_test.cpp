// The C++ side of the lab: a test in "pc" reaches a process it starts in "lan".
#include "support/lab.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using vltest::Lab;

TEST(Lab, DeviceAddressesSkipTheInfrastructureBlock)
{
    EXPECT_EQ(Lab::deviceIp4(0), "192.168.1.10");
    EXPECT_EQ(Lab::deviceIp4(239), "192.168.1.249");
    EXPECT_EQ(Lab::deviceIp4(240), "192.168.2.1");
}

TEST(Lab, UnicastToADeviceAddressInLanComesBack)
{
    ASSERT_TRUE(Lab::active());
    // A UDP echo on a device address in "lan", written in Python to keep the
    // test free of a second binary.
    std::string ip = Lab::deviceIp4(5);
    auto echo = Lab::startInLan({ "/usr/bin/python3", "-c",
        "import socket\n"
        "s=socket.socket(socket.AF_INET,socket.SOCK_DGRAM)\n"
        "s.bind(('"
            + ip
            + "',40000))\n"
              "d,p=s.recvfrom(100)\n"
              "s.sendto(b'echo:'+d,p)\n" });

    int s = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(s, 0);
    timeval tv { 0, 200000 };
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_port = htons(40000);
    inet_pton(AF_INET, ip.c_str(), &to.sin_addr);
    char buf[100] = {};
    ssize_t n = -1;
    // The echo may need a moment to bind; resend until it answers.
    for (int i = 0; i < 25 && n < 0; ++i) {
        sendto(s, "hi", 2, 0, reinterpret_cast<sockaddr*>(&to), sizeof(to));
        n = recv(s, buf, sizeof(buf), 0);
    }
    close(s);
    ASSERT_EQ(n, 7);
    EXPECT_EQ(std::string(buf, size_t(n)), "echo:hi");
}
