/**
 * @file strell.h
 * @brief libstrell.so.1: answers, for the stream URL a client requested, which
 * camera media the URL denotes.
 *
 * A host process (the camera's streaming and ONVIF service) creates a context
 * with Strell_Init(), loads the camera's configuration with Strell_Parse(),
 * and then asks Strell_GetProfileInfoByStreamUrl() for every stream URL a
 * client requests, or Strell_GetProfileListByVideoStream() and
 * Strell_GetProfileListByAudioStream() for the profiles that use a channel
 * and stream. Strell_Release() frees the context.
 *
 * Conventions of this interface:
 *  1. Every function but ReadFile returns an int holding an EStrellErrno
 *     value; nothing is reported by exceptions, errno or output arguments.
 *  2. The host owns every record it passes in (TProfileInfo, TProfileList,
 *     TChannelStream). The library only writes into it and never clears it:
 *     zero a TProfileInfo and set TProfileList.profileCount to 0 before a call.
 *  3. Text fields are char[STRELL_TEXT_SIZE]. The library writes at most
 *     STRELL_TEXT_SIZE - 1 characters and always a terminating NUL; longer
 *     texts are cut.
 *  4. TProfileList.profileKeys holds STRELL_MAX_PROFILE_KEYS entries. A list
 *     query appends after profileCount and stops when the array is full; it
 *     writes nothing when profileCount is negative or already at capacity.
 *  5. A context is made by Strell_Init and freed by Strell_Release. The calls
 *     that read the configuration (Strell_Parse, the resolution and the list
 *     queries) lock the context's mutex for their whole run, so one context may
 *     be shared by threads; calls on different contexts run in parallel.
 *  6. The library reads configuration only through two functions the host
 *     process defines: XMLSParser_ReadContentEx and
 *     Configer_GetParamValueByXPath, declared at the end of this header
 *     (contract below). libstrell defines neither; they are resolved from
 *     the loading process.
 *  7. Diagnostic lines (the trace lines of resolutions and list queries, the
 *     dumps) go to standard output with printf, unless the host directs them
 *     elsewhere with Strell_SetTraceHandler().
 *
 * Host reader contract (for the implementers of the two host functions):
 *  - `int XMLSParser_ReadContentEx(const char* filePath, const char* keyPath,
 *    char* value)`
 *    Returns 0 and writes the NUL-terminated text of the element addressed by
 *    keyPath ("/root/a/b", first element is the document's root) into value;
 *    any other result is a failure and value is not read. Every value buffer
 *    the library passes holds STRELL_TEXT_SIZE bytes and is zero-filled, for
 *    integer values too, so the host may write up to 255 characters and a NUL.
 *    Integer texts are read with atoi conventions (leading blanks, a sign,
 *    digits up to the first non-digit; no digits gives 0; values beyond the
 *    range of int saturate at INT_MIN or INT_MAX).
 *  - `int Configer_GetParamValueByXPath(const char* name, char* value, int size)`
 *    Writes the parameter's decimal text into value, at most size - 1
 *    characters and a NUL. The result is not examined; the buffer is
 *    zero-filled, so a host that writes nothing yields the value 0.
 *
 * Both are only called from inside Strell_Parse and the query functions, that
 * is under one context's mutex; a process with several contexts may call them
 * from several threads at once.
 */
#ifndef STRELL_STRELL_H_
#define STRELL_STRELL_H_

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/** Size in bytes of every text field of the public records, terminating NUL included. */
#define STRELL_TEXT_SIZE 256
/**
 * Capacity of TProfileList.profileKeys. One query appends at most 18 keys
 * (4 Media1, 4 stream-server and 10 Media2 profiles).
 */
#define STRELL_MAX_PROFILE_KEYS 32

/**
 * One medium (video, audio or metadata) of a resolved profile. Owned by the
 * host, as part of a TProfileInfo; the handler that resolves a URL writes
 * the fields of the media its profile carries and leaves the others as the
 * host set them.
 */
typedef struct _TMediaEncodeConfig {
  int mediaTask;                   /**< 1: the profile carries this medium; 0: it does not. */
  int channel;                     /**< Input channel, counted from 0. */
  int stream;                      /**< Stream of that channel, counted from 0. */
  char ipAddress[STRELL_TEXT_SIZE]; /**< Multicast address as text, NUL-terminated. */
  int port;                        /**< Multicast port. */
  int ttl;                         /**< Multicast time to live. */
} TMediaEncodeConfig;

/**
 * The answer to one stream URL, filled by Strell_GetProfileInfoByStreamUrl().
 * Owned by the host, which zeroes it before the call: the library writes only
 * the fields it resolves and never clears the record.
 */
typedef struct _TProfileInfo {
  int profileKey;                    /**< Handler id plus slot: 222.. Media1, 111.. stream server, 333.. Media2. */
  char profileName[STRELL_TEXT_SIZE]; /**< Profile token or access name, NUL-terminated. */
  TMediaEncodeConfig videoInfo;      /**< Video part. */
  TMediaEncodeConfig audioInfo;      /**< Audio part. */
  TMediaEncodeConfig metadataInfo;   /**< Metadata part. */
} TProfileInfo;

/**
 * The profiles that use one channel and stream, in the order they were
 * appended by Strell_GetProfileListByVideoStream() and
 * Strell_GetProfileListByAudioStream(). Owned by the host, which sets
 * profileCount to 0 before a query; the library only appends.
 */
typedef struct _TProfileList {
  int profileCount;                          /**< Number of valid entries; the host sets 0. */
  int profileKeys[STRELL_MAX_PROFILE_KEYS];  /**< Profile keys, Media1 first, Media2 last. */
} TProfileList;

/**
 * One channel and stream pair, for the numbering conversions
 * Strell_OnvifToConfig() and Strell_ConfigToOnvif(). Owned by the host.
 */
typedef struct _TChannelStream {
  int channel; /**< Channel number. */
  int stream;  /**< Stream number. */
} TChannelStream;

/**
 * Result codes, returned as int by every function. The values are part of
 * the interface and never change; the numbers between them are never
 * produced.
 */
typedef enum _EStrellErrno {
  STRELL_OK = 0,              /**< Success. */
  STRELL_ERR_CONFIG_READ = 4, /**< The host's XML reader failed for a file and key. */
  STRELL_ERR_NOT_FOUND = 8,   /**< No handler claims the URL, or its profile is not stored. */
  STRELL_ERR_BAD_SOURCE = 9,  /**< A Media2 video source does not begin with "c<n>s<n>". */
  STRELL_ERR_NULL_RECORD = 11 /**< The TProfileInfo pointer is null. */
} EStrellErrno;

/**
 * Opaque handle to one library context, made by Strell_Init() and freed by
 * Strell_Release(). The host never looks behind it. A null handle is accepted
 * everywhere and answers as a context with empty stores.
 */
typedef struct StrellHandleBlock* StrellHandle;

/**
 * Creates a context with its three URL handlers (Media1, stream server,
 * Media2, asked in that order) and stores its handle in *handle. Reads no
 * configuration: call Strell_Parse() before the first query.
 *
 * If memory runs out, *handle is set to null; every other call treats a null
 * handle as a context with empty stores. Takes no lock.
 *
 * @param handle Receives the new handle; the host owns it and passes it to
 *               Strell_Release() at the end. A null pointer is ignored.
 * @return STRELL_OK (0), always.
 */
int Strell_Init(StrellHandle* handle);

/**
 * Destroys the context of *handle, with its handlers and their stores, and
 * sets *handle to null.
 *
 * Takes no lock: must not run while another call uses the same context, and
 * nothing may use the handle afterwards.
 *
 * @param handle The host's handle variable. A null pointer or a null *handle
 *               is ignored.
 * @return STRELL_OK (0), always.
 */
int Strell_Release(StrellHandle* handle);

/**
 * Empties every handler's store and reloads it from the configuration files
 * under /etc/conf.d/, in chain order, through the host's readers. Call before
 * the first query and whenever the configuration changed; nothing accumulates
 * across reloads.
 *
 * Locks the context for the whole reload, so no query on the same context
 * overlaps it.
 *
 * @param handle The context; null answers as a context with empty stores.
 * @return STRELL_OK (0): a value that cannot be read leaves its field at its
 *         start value and is not an error. STRELL_ERR_CONFIG_READ (4) only if
 *         memory ran out during the reload: each handler then holds its
 *         previous or its new configuration whole (those before the failure
 *         the new, the rest the previous); call it again.
 */
int Strell_Parse(StrellHandle handle);

/**
 * Resolves a stream URL into *info: the Media1 handler claims URLs containing
 * "media/stream.sdp?profile=" and a token, the stream-server handler URLs
 * equal to an access name, the Media2 handler URLs containing
 * "media2/stream.sdp?profile=" and a token. Only the fields of the media the
 * resolved profile carries are written; the rest keeps the host's values.
 *
 * Locks the context for the whole resolution; the host's readers may be
 * called under that lock (a Media2 profile reads its multicast settings now).
 *
 * @param handle The context; null answers as a context with empty stores.
 * @param url    The URL as the host received it, without the leading slash
 *               (for RTSP, the path and query); not kept. Null is the empty
 *               URL.
 * @param info   The host's record, zeroed by the host; written, never cleared.
 * @return STRELL_OK (0) on success;
 *         STRELL_ERR_NOT_FOUND (8) when no handler claims the URL or the
 *         named profile is not loaded;
 *         STRELL_ERR_BAD_SOURCE (9) when a Media2 profile's video source does
 *         not parse (profileKey and profileName are written then);
 *         STRELL_ERR_NULL_RECORD (11) when info is null;
 *         STRELL_ERR_CONFIG_READ (4) if memory ran out.
 */
int Strell_GetProfileInfoByStreamUrl(StrellHandle handle, const char* url,
                                                TProfileInfo* info);

/**
 * Appends to list the keys of the profiles whose video is the given channel
 * and stream, Media1 first, then stream server, then Media2. Never resets
 * profileCount; stops at STRELL_MAX_PROFILE_KEYS.
 *
 * Locks the context for the whole query.
 *
 * @param handle  The context; null answers as a context with empty stores.
 * @param channel Video channel, counted from 0 (configuration numbering).
 * @param stream  Stream of that channel, counted from 0.
 * @param list    The host's list, profileCount set by the host (normally 0);
 *                null is ignored.
 * @return STRELL_OK (0), always.
 */
int Strell_GetProfileListByVideoStream(StrellHandle handle, int channel, int stream,
                                                  TProfileList* list);

/**
 * Appends to list the keys of the profiles that carry the given audio channel
 * and stream, Media1 first, then stream server, then Media2. The Media1 and
 * Media2 handlers list every profile that has audio, whatever channel and
 * stream are asked for. Never resets profileCount; stops at
 * STRELL_MAX_PROFILE_KEYS.
 *
 * Locks the context for the whole query.
 *
 * @param handle  The context; null answers as a context with empty stores.
 * @param channel Audio channel, counted from 0 (configuration numbering).
 * @param stream  Stream of that channel, counted from 0.
 * @param list    The host's list, profileCount set by the host (normally 0);
 *                null is ignored.
 * @return STRELL_OK (0), always.
 */
int Strell_GetProfileListByAudioStream(StrellHandle handle, int channel, int stream,
                                                  TProfileList* list);

/**
 * Placeholder kept for hosts linked against it: does nothing and takes no
 * lock.
 * @return STRELL_OK (0), always.
 */
int Strell_GetByKey(void);
/**
 * Placeholder kept for hosts linked against it: does nothing and takes no
 * lock.
 * @return STRELL_OK (0), always.
 */
int Strell_GetProperty(void);
/**
 * Placeholder kept for hosts linked against it: does nothing and takes no
 * lock.
 * @return STRELL_OK (0), always.
 */
int Strell_ConvertVideoConfigSourceToChannelStream(void);
/**
 * Placeholder kept for hosts linked against it: does nothing and takes no
 * lock.
 * @return STRELL_OK (0), always.
 */
int Strell_ConvertVideoConfigSourceToShmemkey(void);
/**
 * Placeholder kept for hosts linked against it: does nothing and takes no
 * lock.
 * @return STRELL_OK (0), always.
 */
int Strell_ConvertAudioConfigSourceToChannelStream(void);
/**
 * Placeholder kept for hosts linked against it: does nothing and takes no
 * lock.
 * @return STRELL_OK (0), always.
 */
int Strell_ConvertAudioConfigSourceToShmemkey(void);

/**
 * Converts a channel and stream from ONVIF numbering (from 1) to
 * configuration numbering (from 0): subtracts 1 from each, without a range
 * check (INT_MIN wraps around to INT_MAX). Needs no context, takes no lock,
 * and may be called from any thread.
 *
 * @param in  The pair in ONVIF numbering; must not be null.
 * @param out Receives the pair in configuration numbering; must not be null;
 *            may be the same record as in.
 * @return STRELL_OK (0), always.
 */
int Strell_OnvifToConfig(const TChannelStream* in, TChannelStream* out);

/**
 * Converts a channel and stream from configuration numbering (from 0) to
 * ONVIF numbering (from 1): adds 1 to each, without a range check (INT_MAX
 * wraps around to INT_MIN). Needs no context, takes no lock, and may be
 * called from any thread.
 *
 * @param in  The pair in configuration numbering; must not be null.
 * @param out Receives the pair in ONVIF numbering; must not be null; may be
 *            the same record as in.
 * @return STRELL_OK (0), always.
 */
int Strell_ConfigToOnvif(const TChannelStream* in, TChannelStream* out);

/**
 * Receives one diagnostic line of the library in place of standard output.
 *
 * @param line The line as the library would print it, without its
 *             terminating newline; valid only during the call.
 * @param user The pointer given to Strell_SetTraceHandler().
 */
typedef void (*StrellTraceHandler)(const char* line, void* user);

/**
 * Directs every diagnostic line of the library, for every context of the
 * process: the trace lines of resolutions and list queries, the dumps and
 * ReadFile's messages. Until the first call they go to standard output with
 * printf, byte for byte as always.
 *
 * With a handler, each line is formatted and passed to handler(line, user)
 * on the thread that made the library call; several threads may call it at
 * once. With a null handler the lines are dropped, and cost nothing but a
 * test. To print on standard output again, pass a handler that does.
 *
 * Safe to call while other threads use the library: it waits for lines being
 * delivered to the previous handler, so once it returns that handler is not
 * called again and its user data may be freed. A handler must not call back
 * into the library.
 *
 * @param handler The new destination, or null to drop the lines.
 * @param user    Passed to every call of handler; ignored when it is null.
 * @return STRELL_OK (0), always.
 */
int Strell_SetTraceHandler(StrellTraceHandler handler, void* user);

/**
 * Reads the text of the file at path into buffer, at most size - 1
 * characters and a NUL (the rest of buffer is zero). A missing file is
 * created empty (mode 0644). A utility for the host firmware: the library
 * itself never calls it. Takes no lock; safe from any thread as long as the
 * buffers differ.
 *
 * @param path   The file to read; must not be null.
 * @param buffer Receives the text; owned by the caller. With a null buffer or
 *               a size below 1 the file is only created and opened.
 * @param size   Size of buffer in bytes.
 * @return 0 on success; -1 after printing a message on standard output when
 *         the file can be neither created nor opened. (Not an EStrellErrno
 *         value.)
 */
int ReadFile(const char* path, char* buffer, int size);

/**
 * Host reader: writes into value the NUL-terminated text of the element that
 * keyPath names in the XML file filePath. Defined by the host process, not by
 * libstrell; declared here so that a host with another signature does not
 * compile. See "Host reader contract" at the top of this header.
 *
 * @param filePath Full path of the file, under "/etc/conf.d/".
 * @param keyPath  "/root/a/b": the document's root element, then child names.
 * @param value    A zero-filled buffer of STRELL_TEXT_SIZE bytes.
 * @return 0 when value holds the text; any other value is a failure.
 */
int XMLSParser_ReadContentEx(const char* filePath, const char* keyPath, char* value);

/**
 * Host reader: writes into value the decimal text of the device parameter
 * name, at most size - 1 characters and a NUL. Defined by the host process,
 * not by libstrell. See "Host reader contract" at the top of this header.
 *
 * @param name  "capability_nvideoin", "capability_nmediastream" or
 *              "capability_naudioin".
 * @param value A zero-filled buffer.
 * @param size  The number of characters value may receive, NUL included (8).
 * @return Not examined by the library.
 */
int Configer_GetParamValueByXPath(const char* name, char* value, int size);

#ifdef __cplusplus
} /* extern "C" */
#endif

/*
 * Layout checks: the host process was built against these exact layouts.
 * A change here breaks every camera image in the field.
 */
#define STRELL_ABI_CHECK_(name, cond) typedef char strell_abi_check_##name[(cond) ? 1 : -1]
STRELL_ABI_CHECK_(int_is_32_bits, sizeof(int) == 4);
STRELL_ABI_CHECK_(media_size, sizeof(TMediaEncodeConfig) == 276);
STRELL_ABI_CHECK_(media_channel, offsetof(TMediaEncodeConfig, channel) == 4);
STRELL_ABI_CHECK_(media_stream, offsetof(TMediaEncodeConfig, stream) == 8);
STRELL_ABI_CHECK_(media_address, offsetof(TMediaEncodeConfig, ipAddress) == 12);
STRELL_ABI_CHECK_(media_port, offsetof(TMediaEncodeConfig, port) == 268);
STRELL_ABI_CHECK_(media_ttl, offsetof(TMediaEncodeConfig, ttl) == 272);
STRELL_ABI_CHECK_(info_size, sizeof(TProfileInfo) == 1088);
STRELL_ABI_CHECK_(info_name, offsetof(TProfileInfo, profileName) == 4);
STRELL_ABI_CHECK_(info_video, offsetof(TProfileInfo, videoInfo) == 260);
STRELL_ABI_CHECK_(info_audio, offsetof(TProfileInfo, audioInfo) == 536);
STRELL_ABI_CHECK_(info_metadata, offsetof(TProfileInfo, metadataInfo) == 812);
STRELL_ABI_CHECK_(list_size, sizeof(TProfileList) == 4 + 4 * STRELL_MAX_PROFILE_KEYS);
STRELL_ABI_CHECK_(list_keys, offsetof(TProfileList, profileKeys) == 4);
STRELL_ABI_CHECK_(channel_stream_size, sizeof(TChannelStream) == 8);
STRELL_ABI_CHECK_(channel_stream_stream, offsetof(TChannelStream, stream) == 4);
STRELL_ABI_CHECK_(errno_size, sizeof(EStrellErrno) == sizeof(int));
#undef STRELL_ABI_CHECK_

#endif /* STRELL_STRELL_H_ */
