#pragma once
/* VLOnvifs: the ONVIF client library. Our own stand-in; it speaks ONVIF
   itself: WS-Discovery on UDP 3702 (239.255.255.250) for the search, and the
   device service (SOAP 1.2 over HTTP, WS-Security UsernameToken with
   password digest) for logins and the network settings. IPv4 only. */
#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

#if defined(_WIN32)
#define VLONVIFS_CALL __stdcall
#if defined(VLONVIFS_BUILDING)
#define VLONVIFS_API __declspec(dllexport)
#else
#define VLONVIFS_API __declspec(dllimport)
#endif
#else
#define VLONVIFS_CALL
#define VLONVIFS_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Start-up ------------------------------------------------------- */

/* Reference-counted start-up. Returns 1. Every other call but
   VLOnvifSetSearchTimeout refuses to start work before it. */
VLONVIFS_API int VLONVIFS_CALL VLOnvifInit(void);
/* Search times in seconds, each 1 to 600: a search probes at once and again
   every second during its first `probe` seconds, and ends `match` seconds
   after its last probe; `answer` bounds one SOAP exchange with a device
   (connecting included). The defaults are 2, 2, 2. Returns false, keeping
   the times it had, for a time out of range, and always when the test
   switch VLONVIFS_FAIL_SEARCH_TIMEOUT=1 is set in the environment. */
VLONVIFS_API bool VLONVIFS_CALL VLOnvifSetSearchTimeout(int probe, int match, int answer);
/* Ends the last reference: stops every search and connection the caller
   left open (searches deliver their null record first) and waits for the
   library's threads. Returns 1. */
VLONVIFS_API int VLONVIFS_CALL VLOnvifRelease(void);

/* ---- Search --------------------------------------------------------- */

/* One device found by a search, 452 bytes, pointer-free, little-endian; the
   layout of VLNet's search records. Texts are NUL-terminated inside their
   slot unless they fill it. What an ONVIF search knows without logging in:
   ip and web_port from the device's XAddrs, device_name and device_type
   (the model) from its Scopes, mac_addr when the endpoint's UUID is a
   time-based one that carries the MAC; everything else is zero. */
typedef struct VLONVIF_SEARCH_DEV_RSP {
    char ip[16]; /* dotted IPv4 text */
    char host_name[36];
    char netmask[16];
    char gateway[16];
    char dns1[16];
    char dns2[16];
    uint32_t media_port;
    uint32_t web_port; /* the HTTP port of the device service */
    int32_t network_mode; /* 0 DHCP, 1 PPPoE, 2 static, 3 3G, 4 Wi-Fi, 5 other */
    char device_type[28]; /* model text */
    uint32_t dev_type_l;
    uint32_t dev_type_h;
    char device_version[36];
    uint32_t device_id;
    char device_name[36];
    char mac_addr[36]; /* "02:56:4C:00:00:09" */
    uint32_t channel_number;
    uint8_t version;
    int8_t net_interface;
    char p2p_id[38];
    char manufacture[32];
    uint16_t rtsp_port;
    int8_t analog_channel_num;
    uint8_t reserved355;
    uint16_t year; /* the device's clock: 356..362 */
    uint8_t month;
    uint8_t day;
    uint8_t hour;
    uint8_t minute;
    uint8_t second;
    uint8_t reserved363;
    int8_t is_first_login;
    uint8_t input_pin_count;
    uint8_t output_pin_count;
    int8_t support_two_way_talk;
    char http_api_version[16];
    uint32_t https_port;
    int8_t support_http_api_config_net;
    uint8_t reserved389[3];
    uint32_t sys_channel_num;
    char serialnum[32];
    uint8_t ipv6[16];
    uint8_t reserved444[8];
} VLONVIF_SEARCH_DEV_RSP;

/* The buffer behind every record a search delivers: the record, then zero
   bytes up to this size, so that a caller which copies its own larger
   search record (632 bytes) from the pointer reads only zeros past it. */
#define VLONVIF_SEARCH_RECORD_BUFFER 632

/* Result callback of a search: once per device found, with a record valid
   during the call only, then exactly once with a null record when the search
   has ended (its time is up, or VLOnvifSearchDevStop). It runs on the
   search's own thread, never on the caller's and never before
   VLOnvifSearchDevStart has returned; one call at a time. It may call any
   VLOnvifs function; VLOnvifSearchDevStop of its own search does not wait
   then, and the null record follows once the callback has returned. The
   return value is ignored (callers return 1, 0 for a null user). */
typedef int(VLONVIFS_CALL* VLONVIF_SEARCH_CALLBACK)(const VLONVIF_SEARCH_DEV_RSP* record, void* user);

/* Start record of VLOnvifSearchDevStart. Zero-fill it. */
typedef struct VLONVIF_SEARCH_START {
    VLONVIF_SEARCH_CALLBACK callback;
    void* user; /* handed back with every record */
    uint8_t device_type; /* the caller's device-type code; ONVIF has none to filter on */
    uint8_t reserved[7];
} VLONVIF_SEARCH_START;

/* Opaque; null = no search. Never reused within a process run. */
typedef struct VLONVIF_SEARCH* VLONVIF_SEARCH_HANDLE;

/* Sends WS-Discovery probes for network video transmitters from every local
   IPv4 address and reports each device that answers once, then the null
   record. Returns the search handle, or null when refused (not initialised,
   null record or callback, no socket); then no callback is ever made. */
VLONVIFS_API VLONVIF_SEARCH_HANDLE VLONVIFS_CALL VLOnvifSearchDevStart(const VLONVIF_SEARCH_START* start);
/* Ends the search *handle and sets *handle to null. The null record has been
   delivered when it returns (unless called from that search's own callback,
   see above); no callback of that search runs after it. A search that has
   ended by itself must still be stopped to free it. Returns 1, 0 for a null
   or unknown handle. */
VLONVIFS_API int VLONVIFS_CALL VLOnvifSearchDevStop(VLONVIF_SEARCH_HANDLE* handle);

/* ---- Connections ---------------------------------------------------- */

/* Connection statuses, through the status callback. */
#define VLONVIF_STATUS_CLOSED 2
#define VLONVIF_STATUS_CONNECTION_LOST 3 /* unreachable, no answer, or not an ONVIF device service */
#define VLONVIF_STATUS_LOGIN_SUCCESS 101
#define VLONVIF_STATUS_WRONG_USER_OR_PASSWORD 104 /* the device refused the credentials */

/* Status callback: (status, user_data). Contract: none runs before
   VLOnvifConnectionStart has returned, none after VLOnvifConnectionStop has
   returned for the handle; the statuses of one connection come in order, on
   one thread of the library (never the caller's), one at a time. It may call
   any VLOnvifs function, VLOnvifConnectionStop of its own connection included. */
typedef void(VLONVIFS_CALL* VLONVIF_STATUS_CALLBACK)(int32_t status, void* user);

/* Start record of VLOnvifConnectionStart (the leading fields of VLNet's
   media-login record). Texts are read during the call only. Zero-fill it. */
typedef struct VLONVIF_CONNECTION_START {
    const char* ip; /* IPv4 text */
    int32_t port; /* the HTTP port of the device service (the web port) */
    const char* user;
    const char* password;
    int32_t word16;
    int32_t word20;
    void* user_data; /* handed back to the callback */
    int32_t word28;
    void* reserved32;
    int32_t word36;
    VLONVIF_STATUS_CALLBACK status_callback;
} VLONVIF_CONNECTION_START;

/* Starts a login: the device's clock is read (to date the security tokens
   as the device counts time), then its device information with the
   credentials. Returns a connection handle, never 0 and never reused, or 0
   when refused (not initialised, null record, IP text or callback, an IP
   text that is no IPv4 address, a port outside 1 to 65535); then no
   callback is made. The outcome arrives once: 101, 104 or 3. */
VLONVIFS_API int VLONVIFS_CALL VLOnvifConnectionStart(const VLONVIF_CONNECTION_START* start);
/* Ends the connection *handle (an exchange under way is cut short) and
   sets *handle to 0. When it returns no callback of that connection runs
   any more. Returns 1, 0 for a null or unknown handle. */
VLONVIFS_API int VLONVIFS_CALL VLOnvifConnectionStop(int* handle);

/* ---- Network settings (command 511) --------------------------------- */

#define VLONVIF_CMD_NETWORK 511
#define VLONVIF_ADDRESS_DHCP 0
#define VLONVIF_ADDRESS_STATIC 2

/* The network record of command 511, 460 bytes, pointer-free. Addresses are
   4 bytes, first number first. */
typedef struct VLONVIF_NETWORK_PARAM {
    int32_t size; /* 460 */
    uint8_t ipv4[4];
    uint8_t netmask[4];
    uint8_t gateway[4];
    uint8_t reserved16[4];
    int32_t web_port; /* the HTTP port */
    uint8_t address_mode; /* VLONVIF_ADDRESS_STATIC or VLONVIF_ADDRESS_DHCP */
    uint8_t reserved25[435];
} VLONVIF_NETWORK_PARAM;

/* Request of VLOnvifQueryParamEx: {511, 0, record, 460, 0, 0, 0, 0}. */
typedef struct VLONVIF_QUERY_PARAM_EX {
    int32_t command;
    int32_t word4;
    void* buffer; /* a VLONVIF_NETWORK_PARAM whose size is set */
    int32_t buffer_size;
    int32_t reserved[4];
} VLONVIF_QUERY_PARAM_EX;

/* Request of VLOnvifSetParam: {511, record, 0, 0, 0}. */
typedef struct VLONVIF_SET_PARAM {
    int32_t command;
    const void* record; /* a VLONVIF_NETWORK_PARAM */
    int32_t reserved[3];
} VLONVIF_SET_PARAM;

/* Reads the device's IPv4 settings into the record: address, mask, gateway
   and address mode of its first enabled interface, and its HTTP port; the
   rest of the record is left as it was. Waits for the device (each exchange
   bounded by the answer time). Returns 1 on success; 0 when the handle is not
   a logged-in connection, the request is not command 511 with a record of at
   least 460 bytes, or the device failed or refused. */
VLONVIFS_API int VLONVIFS_CALL VLOnvifQueryParamEx(int handle, VLONVIF_QUERY_PARAM_EX* request);
/* Applies the record: a non-zero gateway, then a non-zero HTTP port, then
   the address mode with a non-zero address and mask (zero fields keep the
   device's value; DHCP takes neither); a gateway that the device refuses
   outside its present network is sent again once it has its new address.
   The device moves; the connection follows it to its new address and port. Returns 1 when the device took
   every change; 0 as for the query, for an address mode other than 0 and 2,
   a mask that is not contiguous, or a change the device refused (changes
   made before the refusal stay). */
VLONVIFS_API int VLONVIFS_CALL VLOnvifSetParam(int handle, const VLONVIF_SET_PARAM* request);

#ifdef __cplusplus
}

static_assert(sizeof(VLONVIF_SEARCH_DEV_RSP) == 452, "VLONVIF_SEARCH_DEV_RSP");
static_assert(sizeof(VLONVIF_NETWORK_PARAM) == 460, "VLONVIF_NETWORK_PARAM");
#else
_Static_assert(sizeof(VLONVIF_SEARCH_DEV_RSP) == 452, "VLONVIF_SEARCH_DEV_RSP");
_Static_assert(sizeof(VLONVIF_NETWORK_PARAM) == 460, "VLONVIF_NETWORK_PARAM");
#endif
