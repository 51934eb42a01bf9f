// Records of one operation and the Base64 of the JSON boundary.
#include "hex.h"
#include "multicast/base64.h"
#include "multicast/multicast.pb.h"
#include "multicast/records.h"

#include <gtest/gtest.h>
#include <string>

using namespace vlsdk;

TEST(MulticastRecords, DeviceRecordFromInfo)
{
    multicast::DeviceInfo i;
    i.set_dev_type("IPC");
    i.set_software_version("V1.2");
    i.set_dev_name("cam");
    i.set_mac("00:11:22:33:44:55");
    i.set_phyname("eth0");
    i.set_manufacture("310");
    i.set_p2pid("P2P");
    i.set_channel_num(4);
    i.set_analog_num(2);
    i.set_category(-1);
    i.set_support_sta(true);
    i.set_support_ap(true);
    i.set_activated(true);
    i.set_wired_ip("10.0.0.5");
    i.set_wired_mask("255.0.0.0");
    i.set_wired_gw("10.0.0.1");
    i.set_wired_dns1("8.8.8.8");
    i.set_wired_dns2("8.8.4.4");
    i.set_web_port(80);
    i.set_wireless_ip("10.1.0.5");
    i.set_is_dhcp(true);
    i.set_wired_connect(true);
    i.set_is_enable_wifi(true);
    i.set_wifi_connect(true);
    i.set_ip6_link_local("fe80::1");
    i.set_value_26(26);
    i.set_sys_channel_num(8);
    i.set_cloud_id("cloud");
    i.set_is_added(true);
    i.set_product_code("PC");
    i.set_sn("SN1");
    i.set_net_card("eth1");
    i.set_cloud_switch(true);
    i.set_dev_data("data");
    i.set_input_pin_count(3);
    i.set_output_pin_count(5);
    i.set_support_two_way_talk(7);
    i.set_media_port(9000);
    i.set_rtsp_port(554);

    const multicast_device_record r = device_record_from_info(i);
    EXPECT_EQ(r.dev_type, "IPC");
    EXPECT_EQ(r.software_version, "V1.2");
    EXPECT_EQ(r.dev_name, "cam");
    EXPECT_EQ(r.mac, "00:11:22:33:44:55");
    EXPECT_EQ(r.phyname, "eth0");
    EXPECT_EQ(r.manufacture, "310");
    EXPECT_EQ(r.p2pid, "P2P");
    EXPECT_EQ(r.wired_ip, "10.0.0.5");
    EXPECT_EQ(r.wired_mask, "255.0.0.0");
    EXPECT_EQ(r.wired_gw, "10.0.0.1");
    EXPECT_EQ(r.wired_dns1, "8.8.8.8");
    EXPECT_EQ(r.wired_dns2, "8.8.4.4");
    EXPECT_EQ(r.wireless_ip, "10.1.0.5");
    EXPECT_EQ(r.ip6_link_local, "fe80::1");
    EXPECT_EQ(r.dhcp, "dhcp");
    EXPECT_EQ(r.cloud_id, "cloud");
    EXPECT_EQ(r.product_code, "PC");
    EXPECT_EQ(r.sn, "SN1");
    EXPECT_EQ(r.net_card, "eth1");
    EXPECT_EQ(r.channel_num, 4u);
    EXPECT_EQ(r.sys_channel_num, 8u);
    EXPECT_EQ(r.analog_num, 2u);
    EXPECT_EQ(r.category, -1);
    EXPECT_EQ(r.web_port, 80u);
    EXPECT_EQ(r.media_port, 9000u);
    EXPECT_EQ(r.rtsp_port, 554u);
    EXPECT_TRUE(r.wired_connect && r.is_enable_wifi && r.wifi_connect && r.activated && r.support_sta
        && r.support_ap && r.is_added && r.cloud_switch);
    EXPECT_EQ(r.dev_data, "data");
    EXPECT_EQ(r.input_pin_count, 3u);
    EXPECT_EQ(r.output_pin_count, 5u);
    EXPECT_EQ(r.support_two_way_talk, 7); // kept as received; the report clamps it
    EXPECT_TRUE(r.dev_id.empty() && r.dev_enc.empty() && r.dev_limit.empty());
}

TEST(MulticastRecords, EmptyInfoAndInitialValues)
{
    const multicast_device_record r = device_record_from_info(multicast::DeviceInfo());
    EXPECT_TRUE(r.dev_name.empty() && r.mac.empty() && r.wired_ip.empty());
    EXPECT_EQ(r.dhcp, "static");
    EXPECT_EQ(r.channel_num, 0u);
    EXPECT_EQ(r.category, 0);
    EXPECT_FALSE(r.activated);

    EXPECT_EQ(activation_entry().result, 9);
    EXPECT_EQ(activation_entry().client_type, 0);
    const update_entry u;
    EXPECT_EQ(u.result, 5);
    EXPECT_TRUE(u.nonce.empty());
    EXPECT_EQ(u.settings.web_port, 0u);
}

TEST(MulticastBase64, Rfc4648Vectors)
{
    const std::pair<const char*, const char*> vectors[] = {
        { "", "" },
        { "f", "Zg==" },
        { "fo", "Zm8=" },
        { "foo", "Zm9v" },
        { "foob", "Zm9vYg==" },
        { "fooba", "Zm9vYmE=" },
        { "foobar", "Zm9vYmFy" },
    };
    for (const auto& [plain, encoded] : vectors) {
        EXPECT_EQ(multicast_base64_encode(plain), encoded);
        EXPECT_EQ(multicast_base64_decode(encoded), plain);
    }
    std::string all;
    for (int c = 0; c < 256; ++c)
        all.push_back(static_cast<char>(c));
    EXPECT_EQ(multicast_base64_decode(multicast_base64_encode(all)), all);
    EXPECT_EQ(multicast_base64_encode(unhex("fbff")), "+/8=");
}

TEST(MulticastBase64, LongValues)
{
    std::string bytes(1050, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 31);
    const std::string text = multicast_base64_encode(bytes);
    EXPECT_EQ(text.size(), 1400u);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(multicast_base64_decode(text), bytes.substr(0, 1024));

    const std::string big(100000, 'x'); // longer than one piece of the encoder
    EXPECT_EQ(multicast_base64_encode(big).size(), 133336u);
    EXPECT_EQ(multicast_base64_decode(multicast_base64_encode(big.substr(0, 999))), big.substr(0, 999));
}

TEST(MulticastBase64, InvalidTextDecodesToNothing)
{
    for (const char* text : { "Zg=", "Z", "Zm9vY", "Zm9v!A==", "Zm-v", "Zg==Zg==x" })
        EXPECT_EQ(hex(multicast_base64_decode(text)), "") << text;
}
