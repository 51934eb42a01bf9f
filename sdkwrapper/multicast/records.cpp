#include "multicast/records.h"

#include "multicast/multicast.pb.h"

namespace vlsdk
{

multicast_device_record device_record_from_info(const multicast::DeviceInfo& info)
{
    multicast_device_record r;
    r.dev_type = info.dev_type();
    r.software_version = info.software_version();
    r.dev_name = info.dev_name();
    r.mac = info.mac();
    r.phyname = info.phyname();
    r.manufacture = info.manufacture();
    r.p2pid = info.p2pid();
    r.wired_ip = info.wired_ip();
    r.wired_mask = info.wired_mask();
    r.wired_gw = info.wired_gw();
    r.wired_dns1 = info.wired_dns1();
    r.wired_dns2 = info.wired_dns2();
    r.wireless_ip = info.wireless_ip();
    r.ip6_link_local = info.ip6_link_local();
    r.dhcp = info.is_dhcp() ? "dhcp" : "static";
    r.cloud_id = info.cloud_id();
    r.product_code = info.product_code();
    r.sn = info.sn();
    r.net_card = info.net_card();
    r.channel_num = info.channel_num();
    r.sys_channel_num = info.sys_channel_num();
    r.analog_num = info.analog_num();
    r.category = info.category();
    r.web_port = info.web_port();
    r.media_port = info.media_port();
    r.rtsp_port = info.rtsp_port();
    r.wired_connect = info.wired_connect();
    r.is_enable_wifi = info.is_enable_wifi();
    r.wifi_connect = info.wifi_connect();
    r.activated = info.activated();
    r.support_sta = info.support_sta();
    r.support_ap = info.support_ap();
    r.is_added = info.is_added();
    r.cloud_switch = info.cloud_switch();
    r.dev_data = info.dev_data();
    r.input_pin_count = info.input_pin_count();
    r.output_pin_count = info.output_pin_count();
    r.support_two_way_talk = info.support_two_way_talk();
    return r;
}

} // namespace vlsdk
