// WinINet as the program uses it: the connection state, and HTTP GET requests through an
// internet handle, a connection and a request whose body is read as it arrives.
#pragma once

#include <windows.h>

typedef LPVOID HINTERNET;
typedef WORD INTERNET_PORT;

#define INTERNET_OPEN_TYPE_PRECONFIG 0
#define INTERNET_OPEN_TYPE_DIRECT 1
#define INTERNET_OPEN_TYPE_PROXY 3

#define INTERNET_INVALID_PORT_NUMBER 0
#define INTERNET_DEFAULT_HTTP_PORT 80
#define INTERNET_DEFAULT_HTTPS_PORT 443

#define INTERNET_SERVICE_FTP 1
#define INTERNET_SERVICE_GOPHER 2
#define INTERNET_SERVICE_HTTP 3

#define INTERNET_FLAG_RELOAD 0x80000000
#define INTERNET_FLAG_NO_CACHE_WRITE 0x04000000
#define INTERNET_FLAG_SECURE 0x00800000
#define INTERNET_FLAG_PRAGMA_NOCACHE 0x00000100

#define INTERNET_CONNECTION_MODEM 0x01
#define INTERNET_CONNECTION_LAN 0x02
#define INTERNET_CONNECTION_PROXY 0x04
#define INTERNET_CONNECTION_OFFLINE 0x20
#define INTERNET_CONNECTION_CONFIGURED 0x40

#define HTTP_QUERY_CONTENT_LENGTH 5
#define HTTP_QUERY_STATUS_CODE 19
#define HTTP_QUERY_FLAG_NUMBER 0x20000000

#define INTERNET_ERROR_BASE 12000
#define ERROR_INTERNET_TIMEOUT 12002L
#define ERROR_INTERNET_INTERNAL_ERROR 12004L
#define ERROR_INTERNET_INVALID_URL 12005L
#define ERROR_INTERNET_UNRECOGNIZED_SCHEME 12006L
#define ERROR_INTERNET_NAME_NOT_RESOLVED 12007L
#define ERROR_INTERNET_INVALID_OPERATION 12016L
#define ERROR_INTERNET_INCORRECT_HANDLE_TYPE 12018L
#define ERROR_INTERNET_CANNOT_CONNECT 12029L
#define ERROR_INTERNET_CONNECTION_ABORTED 12030L
#define ERROR_INTERNET_CONNECTION_RESET 12031L
#define ERROR_HTTP_HEADER_NOT_FOUND 12150L
#define ERROR_HTTP_INVALID_SERVER_RESPONSE 12152L
#define ERROR_HTTP_REDIRECT_FAILED 12156L

extern "C" {

// TRUE with INTERNET_CONNECTION_LAN while an interface other than loopback is up with an
// address, else FALSE with INTERNET_CONNECTION_OFFLINE. LUMETRA_NETWORK=online or offline
// decides instead (online answers as a LAN).
BOOL WINAPI InternetGetConnectedState(LPDWORD flags, DWORD reserved);

// The session: the agent text every request sends. PRECONFIG takes the proxy from the
// environment (http_proxy, https_proxy, no_proxy), DIRECT uses none; INTERNET_OPEN_TYPE_PROXY is
// refused (ERROR_INVALID_PARAMETER). Loopback hosts are never reached through a proxy.
HINTERNET WINAPI InternetOpenW(LPCWSTR agent, DWORD accessType, LPCWSTR proxy, LPCWSTR proxyBypass, DWORD flags);
// Only INTERNET_SERVICE_HTTP; nothing is sent until a request is.
HINTERNET WINAPI InternetConnectW(HINTERNET internet, LPCWSTR serverName, INTERNET_PORT serverPort, LPCWSTR userName,
                                  LPCWSTR password, DWORD service, DWORD flags, DWORD_PTR context);
// GET only (a null verb is GET), HTTP/1.1; accept types are refused (ERROR_INVALID_PARAMETER).
// RELOAD, NO_CACHE_WRITE and PRAGMA_NOCACHE each ask that no cache answer ("Pragma: no-cache"
// and "Cache-Control: no-cache"); SECURE means https.
HINTERNET WINAPI HttpOpenRequestW(HINTERNET connect, LPCWSTR verb, LPCWSTR objectName, LPCWSTR version,
                                  LPCWSTR referrer, LPCWSTR* acceptTypes, DWORD flags, DWORD_PTR context);
// Returns once the final response's headers are in (redirects, at most 10 and to http or https
// only, are followed). A status other than 2xx is no failure here: HttpQueryInfoW tells it.
// Extra headers and a body are refused (ERROR_INVALID_PARAMETER); a request is sent once.
BOOL WINAPI HttpSendRequestW(HINTERNET request, LPCWSTR headers, DWORD headersLength, LPVOID optional,
                             DWORD optionalLength);
// HTTP_QUERY_STATUS_CODE and HTTP_QUERY_CONTENT_LENGTH, as a DWORD with HTTP_QUERY_FLAG_NUMBER
// or as text; ERROR_HTTP_HEADER_NOT_FOUND when the response has no such header,
// ERROR_INSUFFICIENT_BUFFER with the bytes needed when the buffer is short.
BOOL WINAPI HttpQueryInfoW(HINTERNET request, DWORD infoLevel, LPVOID buffer, LPDWORD bufferLength, LPDWORD index);
// The body as it arrives: waits until some bytes are in, TRUE with *read = 0 at its end, FALSE
// when the transfer broke (ERROR_INTERNET_CONNECTION_ABORTED, ERROR_INTERNET_TIMEOUT after 60 s
// without data).
BOOL WINAPI InternetReadFile(HINTERNET file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead);
// Closing a connection or session also closes what was opened from it.
BOOL WINAPI InternetCloseHandle(HINTERNET handle);
}
