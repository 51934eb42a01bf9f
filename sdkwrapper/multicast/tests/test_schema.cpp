// The wire encoding of the discovery messages, byte for byte: devices parse
// exactly these bytes, so a changed number, type or packing breaks them.
#include "hex.h"
#include "multicast/datagram.h"
#include "multicast/multicast.pb.h"
#include "search_example.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

using namespace vlsdk;

TEST(MulticastSchema, SearchDatagramIsTheWorkedExample)
{
    multicast::Multicast m;
    m.set_pub_key(example_key_blob());
    auto* search = m.mutable_search_device_request();
    search->set_must_understand(true);
    search->set_delay(200);
    search->add_manufactures("1");
    search->add_values(1);
    search->add_values(0);

    const std::string datagram = encode_datagram(m);
    ASSERT_EQ(datagram.size(), 51u);
    EXPECT_EQ(hex(datagram), example_search_datagram_hex());
}

TEST(MulticastSchema, EncodingsOfSingleFields)
{
    struct Case {
        const char* what;
        std::function<std::string()> serialize;
        const char* expected;
    };
    const Case cases[] = {
        { "negative int32 takes ten bytes",
            [] {
                multicast::DeviceInfo i;
                i.set_category(-1);
                return i.SerializeAsString();
            },
            "50 ffffffffffffffffff 01" },
        { "zero and false are not written",
            [] {
                multicast::DeviceInfo i;
                i.set_web_port(0);
                i.set_is_dhcp(false);
                i.set_dev_name("");
                return i.SerializeAsString();
            },
            "" },
        { "two-byte tags of DeviceInfo",
            [] {
                multicast::DeviceInfo i;
                i.set_wired_gw("a");
                i.set_cloud_switch(true);
                i.set_media_port(1);
                i.set_rtsp_port(2);
                return i.SerializeAsString();
            },
            "8201 01 61  8802 01  a006 01  a806 02" },
        { "two-byte tags of DeviceInfoLimit, empty sub-messages present",
            [] {
                multicast::DeviceInfoLimit l;
                l.mutable_rule_100();
                l.mutable_rule_101();
                return l.SerializeAsString();
            },
            "a206 00  aa06 00" },
        { "update_fields packed",
            [] {
                multicast::DecRequest::UpdateInfo u;
                u.add_update_fields(21);
                return u.SerializeAsString();
            },
            "2a 01 15" },
        { "packed list keeps zeros",
            [] {
                multicast::DecRequest::UpdateInfo u;
                u.add_update_fields(100);
                u.add_update_fields(0);
                u.add_update_fields(19);
                return u.SerializeAsString();
            },
            "2a 03 64 00 13" },
        { "search request without manufacturers",
            [] {
                multicast::Multicast m;
                auto* s = m.mutable_search_device_request();
                s->set_must_understand(false);
                s->set_delay(0);
                s->add_values(1);
                s->add_values(0);
                return m.SerializeAsString();
            },
            "1a04 22020100" },
        { "GetFormatProgress is empty",
            [] { return multicast::DecRequest::GetFormatProgress().SerializeAsString(); }, "" },
        { "empty oneof member is written",
            [] {
                multicast::DecRequest::AuthOperate a;
                a.mutable_get_format_progress();
                return a.SerializeAsString();
            },
            "3a 00" },
        { "oneof member at the position of its number",
            [] {
                multicast::Multicast::Reply r;
                r.set_data_3("c");
                r.set_pub_key("b");
                r.set_enc_data("a");
                return r.SerializeAsString();
            },
            "0a0161 120162 1a0163" },
        { "activation request nesting",
            [] {
                multicast::DecRequest d;
                auto* p = d.mutable_set_password();
                p->set_password("pw");
                p->set_client_type(1);
                p->set_sync_onvif(true);
                return d.SerializeAsString();
            },
            "0a08 0a027077 1001 1801" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(hex(c.serialize()), hex(unhex(c.expected))) << c.what;
}

TEST(MulticastSchema, ReadingRepliesAsDevicesSendThem)
{
    {
        // Success as an empty sub-message.
        multicast::DecReply r;
        ASSERT_TRUE(r.ParseFromString(unhex("1a00")));
        EXPECT_EQ(r.reply_case(), multicast::DecReply::kSetPassword);
        EXPECT_EQ(r.set_password().result(), 0);
    }
    {
        // The last oneof member read wins.
        multicast::DecReply r;
        ASSERT_TRUE(r.ParseFromString(unhex("1200 1a020806")));
        EXPECT_EQ(r.reply_case(), multicast::DecReply::kSetPassword);
        EXPECT_EQ(r.set_password().result(), 6);
    }
    {
        // Unpacked and packed ids read the same.
        multicast::DecReply::SearchDevice unpacked, packed;
        ASSERT_TRUE(unpacked.ParseFromString(unhex("1005 1007 1000")));
        ASSERT_TRUE(packed.ParseFromString(unhex("1203 050700")));
        ASSERT_EQ(unpacked.ids_size(), 3);
        EXPECT_EQ(unpacked.ids(1), 7u);
        EXPECT_EQ(unpacked.SerializeAsString(), packed.SerializeAsString());
        EXPECT_FALSE(packed.has_info());
        EXPECT_EQ(packed.info().dev_name(), "");
    }
    {
        multicast::DeviceInfo i;
        ASSERT_TRUE(i.ParseFromString(unhex("50 ffffffffffffffffff 01")));
        EXPECT_EQ(i.category(), -1);
    }
    {
        // A reply without the search member reads as an empty reply.
        multicast::Multicast m;
        ASSERT_TRUE(m.ParseFromString(unhex("1201b0")));
        EXPECT_EQ(m.content_case(), multicast::Multicast::CONTENT_NOT_SET);
        EXPECT_FALSE(m.reply().has_pub_key());
        EXPECT_TRUE(m.reply().enc_data().empty());
    }
    {
        multicast::Multicast m;
        ASSERT_TRUE(m.ParseFromString(unhex("2a02 1200")));
        EXPECT_TRUE(m.reply().has_pub_key()); // present although empty
        EXPECT_TRUE(m.reply().pub_key().empty());
    }
}

TEST(MulticastSchema, UnknownFieldsSurviveARoundTrip)
{
    // Field 6 is unknown to Multicast; it is kept and written after the known ones.
    multicast::Multicast m;
    ASSERT_TRUE(m.ParseFromString(unhex("1201b0 320178 2a00")));
    EXPECT_EQ(m.content_case(), multicast::Multicast::kReply);
    EXPECT_EQ(hex(m.SerializeAsString()), "1201b02a00320178");

    // A known number with a foreign wire type is kept as unknown; the field stays unset.
    multicast::DeviceInfo i;
    ASSERT_TRUE(i.ParseFromString(unhex("420141")));
    EXPECT_EQ(i.channel_num(), 0u);
    EXPECT_EQ(hex(i.SerializeAsString()), "420141");
}

TEST(MulticastSchema, MalformedMessagesFailToParse)
{
    struct Case {
        const char* what;
        const char* bytes;
        bool parses;
    };
    const Case cases[] = {
        { "invalid UTF-8 in a nested string fails the whole reply", "0a0101 1205 0a03 1a01ff", false },
        { "the same byte in a bytes field is fine", "0a01ff 1205 0a03 1a0161", true },
        { "invalid UTF-8 deep inside dev_limit", "1208 1a06 0a04 2a02c328", false },
        { "length past the data", "0a05 61", false },
        { "varint past the data", "0880", false },
        { "varint longer than ten bytes", "08 ffffffffffffffffffff01", false },
        { "empty message", "", true },
    };
    for (const Case& c : cases) {
        multicast::DecReply r;
        EXPECT_EQ(r.ParseFromString(unhex(c.bytes)), c.parses) << c.what;
    }
}

TEST(MulticastSchema, SettingAOneofMemberClearsTheOther)
{
    multicast::Multicast m;
    m.mutable_search_device_request()->set_delay(5);
    m.mutable_request()->set_delay(7);
    EXPECT_EQ(m.content_case(), multicast::Multicast::kRequest);
    EXPECT_FALSE(m.has_search_device_request());
    EXPECT_EQ(m.search_device_request().delay(), 0u);
}

TEST(MulticastSchema, TypeNames)
{
    EXPECT_EQ(multicast::Multicast().GetTypeName(), "multicast.Multicast");
    EXPECT_EQ(multicast::Multicast::Request::PackRequest().GetTypeName(),
        "multicast.Multicast.Request.PackRequest");
    EXPECT_EQ(
        multicast::DecRequest::GetFormatProgress().GetTypeName(), "multicast.DecRequest.GetFormatProgress");
    EXPECT_EQ(multicast::DecReply::WifiAddChannel().GetTypeName(), "multicast.DecReply.WifiAddChannel");
    EXPECT_EQ(
        multicast::DeviceInfoLimit::IntegerRule().GetTypeName(), "multicast.DeviceInfoLimit.IntegerRule");
}

TEST(MulticastDatagram, PrefixAndParse)
{
    multicast::Multicast m;
    m.set_pub_key("k");
    m.mutable_reply()->set_enc_data("e");

    multicast::Multicast out;
    EXPECT_EQ(decode_datagram(encode_datagram(m), out), datagram_status::ok);
    EXPECT_EQ(out.pub_key(), "k");
    EXPECT_EQ(out.reply().enc_data(), "e");

    EXPECT_EQ(decode_datagram(unhex("11ab 1201b0"), out), datagram_status::no_prefix);
    EXPECT_EQ(out.pub_key(), ""); // cleared, nothing of the foreign datagram read
    EXPECT_EQ(decode_datagram(unhex("11"), out), datagram_status::no_prefix);
    EXPECT_EQ(decode_datagram(unhex("11aa"), out), datagram_status::ok);
    EXPECT_EQ(decode_datagram(unhex("11aa 1201b0 2a05"), out), datagram_status::bad_message);
}
