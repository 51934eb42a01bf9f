#!/usr/bin/python3
"""The lab's own test, run in "pc": a datagram to the IPv4 and the IPv6
discovery group reaches a listener in "lan", and its unicast reply comes back."""
import os
import socket
import struct
import subprocess
import sys
import time

PORT = 9555
GROUP4 = "239.255.255.250"
GROUP6 = "ff02::fff3"

LISTENER = r'''
import socket, struct, sys, select
s4 = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s4.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s4.bind(("", 9555))
s4.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP,
              socket.inet_aton("239.255.255.250") + socket.inet_aton("192.168.0.1"))
s6 = socket.socket(socket.AF_INET6, socket.SOCK_DGRAM)
s6.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s6.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 1)
s6.bind(("::", 9555))
idx = socket.if_nametoindex("eth0")
s6.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_JOIN_GROUP,
              socket.inet_pton(socket.AF_INET6, "ff02::fff3") + struct.pack("@I", idx))
# A reply from a device address proves the AnyIP routes too.
r4 = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
r4.bind(("192.168.1.77", 0))
print("ready", flush=True)
seen = 0
while seen < 2:
    ready, _, _ = select.select([s4, s6], [], [], 10)
    if not ready:
        sys.exit("listener: nothing arrived")
    for s in ready:
        data, peer = s.recvfrom(2048)
        if s is s4:
            r4.sendto(b"pong4:" + data, peer)
        else:
            s.sendto(b"pong6:" + data, peer)
        seen += 1
'''


def main():
    lan = os.environ["VL_LAB_LAN"]
    listener = subprocess.Popen(["ip", "netns", "exec", lan, "/usr/bin/python3", "-c", LISTENER],
                                stdout=subprocess.PIPE, text=True)
    try:
        assert listener.stdout.readline().strip() == "ready"

        s4 = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        s4.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_IF, socket.inet_aton("192.168.0.2"))
        s4.settimeout(5)
        s4.sendto(b"ping", (GROUP4, PORT))
        data, peer = s4.recvfrom(2048)
        assert data == b"pong4:ping", data
        assert peer[0] == "192.168.1.77", peer

        s6 = socket.socket(socket.AF_INET6, socket.SOCK_DGRAM)
        idx = socket.if_nametoindex("eth0")
        s6.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_MULTICAST_IF, idx)
        s6.settimeout(5)
        s6.sendto(b"ping", (GROUP6, PORT, 0, idx))
        data, peer = s6.recvfrom(2048)
        assert data == b"pong6:ping", data
        assert peer[0].startswith("fe80::1"), peer

        assert listener.wait(timeout=5) == 0
        print("lab selftest: multicast out, unicast back, on IPv4 and IPv6")
    finally:
        if listener.poll() is None:
            listener.kill()


if __name__ == "__main__":
    sys.exit(main())
