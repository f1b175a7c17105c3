/*
 * strell: answers, for the stream URL a client requested, which camera media
 * the URL denotes.
 *
 * Conventions of this interface:
 *  1. Every function returns an int holding an EStrellErrno value; nothing is
 *     reported by exceptions, errno or output arguments.
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
 *     Configer_GetParamValueByXPath (contract below). libstrell defines
 *     neither; they are resolved from the loading process.
 *  7. Diagnostic lines go to standard output with printf; there is no switch.
 *
 * Host reader contract (for the implementers of the two host functions):
 *  - int XMLSParser_ReadContentEx(const char* filePath, const char* keyPath,
 *                                 char* value)
 *    Returns 0 and writes the NUL-terminated text of the element addressed by
 *    keyPath ("/root/a/b", first element is the document's root) into value;
 *    any other result is a failure and value is not read. Every value buffer
 *    the library passes holds STRELL_TEXT_SIZE bytes and is zero-filled, for
 *    integer values too, so the host may write up to 255 characters and a NUL.
 *    Integer texts are read with atoi conventions (leading blanks, a sign,
 *    digits up to the first non-digit; no digits gives 0; values beyond the
 *    range of int saturate at INT_MIN or INT_MAX).
 *  - int Configer_GetParamValueByXPath(const char* name, char* value, int size)
 *    Writes the parameter's decimal text into value, at most size - 1
 *    characters and a NUL. The result is not examined; the buffer is
 *    zero-filled, so a host that writes nothing yields the value 0.
 *  Both are only called from inside Strell_Parse and the query functions, that
 *  is under one context's mutex; a process with several contexts may call them
 *  from several threads at once.
 */
#ifndef STRELL_STRELL_H_
#define STRELL_STRELL_H_

#include <stddef.h>

#if defined(_WIN32)
#define STRELL_API
#else
#define STRELL_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/** Size in bytes of every text field of the public records. */
#define STRELL_TEXT_SIZE 256
/** Capacity of TProfileList.profileKeys. One query appends at most 18 keys. */
#define STRELL_MAX_PROFILE_KEYS 32

/** One medium (video, audio or metadata) of a resolved profile. */
typedef struct _TMediaEncodeConfig {
  int mediaTask;                   /**< 1: the profile carries this medium; 0: it does not. */
  int channel;                     /**< Input channel, counted from 0. */
  int stream;                      /**< Stream of that channel, counted from 0. */
  char ipAddress[STRELL_TEXT_SIZE]; /**< Multicast address as text, NUL-terminated. */
  int port;                        /**< Multicast port. */
  int ttl;                         /**< Multicast time to live. */
} TMediaEncodeConfig;

/** The answer to one stream URL. */
typedef struct _TProfileInfo {
  int profileKey;                    /**< Handler id plus slot: 222.. Media1, 111.. stream server, 333.. Media2. */
  char profileName[STRELL_TEXT_SIZE]; /**< Profile token or access name, NUL-terminated. */
  TMediaEncodeConfig videoInfo;      /**< Video part. */
  TMediaEncodeConfig audioInfo;      /**< Audio part. */
  TMediaEncodeConfig metadataInfo;   /**< Metadata part. */
} TProfileInfo;

/** The profiles that use one channel and stream, in the order they were appended. */
typedef struct _TProfileList {
  int profileCount;                          /**< Number of valid entries; the host sets 0. */
  int profileKeys[STRELL_MAX_PROFILE_KEYS];  /**< Profile keys, Media1 first, Media2 last. */
} TProfileList;

/** One channel and stream pair, for the numbering conversions. */
typedef struct _TChannelStream {
  int channel; /**< Channel number. */
  int stream;  /**< Stream number. */
} TChannelStream;

/** Result codes. The values are fixed; the numbers between them are never produced. */
typedef enum _EStrellErrno {
  STRELL_OK = 0,              /**< Success. */
  STRELL_ERR_CONFIG_READ = 4, /**< The host's XML reader failed for a file and key. */
  STRELL_ERR_NOT_FOUND = 8,   /**< No handler claims the URL, or its profile is not stored. */
  STRELL_ERR_BAD_SOURCE = 9,  /**< A Media2 video source does not begin with "c<n>s<n>". */
  STRELL_ERR_NULL_RECORD = 11 /**< The TProfileInfo pointer is null. */
} EStrellErrno;

/** Opaque handle to one library context. */
typedef struct StrellHandleBlock* StrellHandle;

/**
 * Creates a context with its three URL handlers (Media1, stream server,
 * Media2) and stores its handle in *handle. Reads no configuration. Returns 0.
 * If memory runs out, *handle is set to null; every other call treats a null
 * handle as a context with empty stores. Takes no lock.
 */
STRELL_API int Strell_Init(StrellHandle* handle);

/**
 * Destroys the context of *handle and sets *handle to null. Returns 0.
 * Must not run while another call uses the same context. A null handle
 * pointer or a null *handle is ignored.
 */
STRELL_API int Strell_Release(StrellHandle* handle);

/**
 * Empties every handler's store and reloads it from the configuration files,
 * in chain order. Call before the first query and whenever the configuration
 * changed. Returns 0 with the standard chain: a value that cannot be read
 * leaves its field at its start value. If memory runs out it returns 4: each
 * handler then holds its previous or its new configuration whole (the ones
 * before the failure the new, the rest the previous); call it again. Locks the
 * context.
 */
STRELL_API int Strell_Parse(StrellHandle handle);

/**
 * Resolves url into *info. Returns 0 on success; 8 when no handler claims the
 * URL or the named profile is not loaded; 9 when a Media2 profile's video
 * source does not parse (profileKey and profileName are written then); 11
 * when info is null. Only the fields of the media the profile carries are
 * written. Locks the context.
 */
STRELL_API int Strell_GetProfileInfoByStreamUrl(StrellHandle handle, const char* url,
                                                TProfileInfo* info);

/**
 * Appends to list the keys of the profiles whose video is the given channel
 * and stream (counted from 0), Media1 first, then stream server, then Media2.
 * Never resets profileCount. Returns 0. Locks the context.
 */
STRELL_API int Strell_GetProfileListByVideoStream(StrellHandle handle, int channel, int stream,
                                                  TProfileList* list);

/**
 * Appends to list the keys of the profiles that carry the given audio channel
 * and stream. The Media1 and Media2 handlers list every profile that has
 * audio, whatever channel and stream are asked for. Returns 0. Locks the
 * context.
 */
STRELL_API int Strell_GetProfileListByAudioStream(StrellHandle handle, int channel, int stream,
                                                  TProfileList* list);

/** Placeholder kept for the host's ABI: returns 0 and does nothing. */
STRELL_API int Strell_GetByKey(void);
/** Placeholder kept for the host's ABI: returns 0 and does nothing. */
STRELL_API int Strell_GetProperty(void);
/** Placeholder kept for the host's ABI: returns 0 and does nothing. */
STRELL_API int Strell_ConvertVideoConfigSourceToChannelStream(void);
/** Placeholder kept for the host's ABI: returns 0 and does nothing. */
STRELL_API int Strell_ConvertVideoConfigSourceToShmemkey(void);
/** Placeholder kept for the host's ABI: returns 0 and does nothing. */
STRELL_API int Strell_ConvertAudioConfigSourceToChannelStream(void);
/** Placeholder kept for the host's ABI: returns 0 and does nothing. */
STRELL_API int Strell_ConvertAudioConfigSourceToShmemkey(void);

/**
 * Converts a channel and stream from ONVIF numbering (from 1) to
 * configuration numbering (from 0): subtracts 1 from each, without a range
 * check. in and out may be the same record. Returns 0. Needs no context.
 */
STRELL_API int Strell_OnvifToConfig(const TChannelStream* in, TChannelStream* out);

/**
 * Converts a channel and stream from configuration numbering to ONVIF
 * numbering: adds 1 to each. in and out may be the same record. Returns 0.
 */
STRELL_API int Strell_ConfigToOnvif(const TChannelStream* in, TChannelStream* out);

/**
 * Reads the text of the file at path into buffer, at most size - 1
 * characters and a NUL (the rest of buffer is zero). A missing file is
 * created empty. Returns 0, or -1 after printing a message when the file can
 * be neither created nor opened. Not used by the library itself.
 */
STRELL_API int ReadFile(const char* path, char* buffer, int size);

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
