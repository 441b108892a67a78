// TWAIN declarations of our own: the records, constants and entry-point type that the engine
// exchanges with a TWAIN data source manager. Records are packed to 2 bytes, as the managers
// and sources on Windows expect.
#pragma once

#include "lumetta_win.h"

typedef char TW_STR32[34];
typedef char TW_STR64[66];
typedef char TW_STR128[130];
typedef char TW_STR255[256];
typedef unsigned char TW_UINT8;
typedef signed char TW_INT8;
typedef short TW_INT16;
typedef unsigned short TW_UINT16;
typedef LONG TW_INT32;  // 32-bit under both Windows data models, and in the native build
typedef ULONG TW_UINT32;
typedef unsigned short TW_BOOL;
typedef HANDLE TW_HANDLE;
typedef void* TW_MEMREF;
typedef UINT_PTR TW_UINTPTR;

#pragma pack(push, 2)

// A fixed-point number: the whole part first, then the fraction in 1/65536.
typedef struct {
    TW_INT16 Whole;
    TW_UINT16 Frac;
} TW_FIX32;

typedef struct {
    TW_UINT16 MajorNum;
    TW_UINT16 MinorNum;
    TW_UINT16 Language;
    TW_UINT16 Country;
    TW_STR32 Info;
} TW_VERSION;

typedef struct {
    TW_UINT32 Id;
    TW_VERSION Version;
    TW_UINT16 ProtocolMajor;
    TW_UINT16 ProtocolMinor;
    TW_UINT32 SupportedGroups;
    TW_STR32 Manufacturer;
    TW_STR32 ProductFamily;
    TW_STR32 ProductName;
} TW_IDENTITY, *pTW_IDENTITY;

typedef struct {
    TW_FIX32 Left;
    TW_FIX32 Top;
    TW_FIX32 Right;
    TW_FIX32 Bottom;
} TW_FRAME;

typedef struct {
    TW_FRAME Frame;
    TW_UINT32 DocumentNumber;
    TW_UINT32 PageNumber;
    TW_UINT32 FrameNumber;
} TW_IMAGELAYOUT;

typedef struct {
    TW_FIX32 XResolution;
    TW_FIX32 YResolution;
    TW_INT32 ImageWidth;
    TW_INT32 ImageLength;
    TW_INT16 SamplesPerPixel;
    TW_INT16 BitsPerSample[8];
    TW_INT16 BitsPerPixel;
    TW_BOOL Planar;
    TW_INT16 PixelType;
    TW_UINT16 Compression;
} TW_IMAGEINFO;

typedef struct {
    TW_STR255 FileName;
    TW_UINT16 Format;
    TW_INT16 VRefNum;
} TW_SETUPFILEXFER;

typedef struct {
    TW_BOOL ShowUI;
    TW_BOOL ModalUI;
    TW_HANDLE hParent;
} TW_USERINTERFACE;

typedef struct {
    TW_UINT16 Count;
    union {
        TW_UINT32 EOJ;
        TW_UINT32 Reserved;
    };
} TW_PENDINGXFERS;

typedef struct {
    TW_UINT16 Cap;
    TW_UINT16 ConType;
    TW_HANDLE hContainer;
} TW_CAPABILITY;

typedef struct {
    TW_UINT16 ItemType;
    TW_UINT32 Item;
} TW_ONEVALUE;

typedef struct {
    TW_UINT16 ItemType;
    TW_UINT32 NumItems;
    TW_UINT32 CurrentIndex;
    TW_UINT32 DefaultIndex;
    TW_UINT8 ItemList[1];
} TW_ENUMERATION;

typedef struct {
    TW_UINT16 ItemType;
    TW_UINT32 NumItems;
    TW_UINT8 ItemList[1];
} TW_ARRAY;

typedef struct {
    TW_UINT16 ItemType;
    TW_UINT32 MinValue;
    TW_UINT32 MaxValue;
    TW_UINT32 StepSize;
    TW_UINT32 DefaultValue;
    TW_UINT32 CurrentValue;
} TW_RANGE;

typedef struct {
    TW_MEMREF pEvent;
    TW_UINT16 TWMessage;
} TW_EVENT;

typedef struct {
    TW_UINT32 MinBufSize;
    TW_UINT32 MaxBufSize;
    TW_UINT32 Preferred;
} TW_SETUPMEMXFER;

typedef struct {
    TW_UINT32 Flags;
    TW_UINT32 Length;
    TW_MEMREF TheMem;
} TW_MEMORY;

typedef struct {
    TW_UINT16 Compression;
    TW_UINT32 BytesPerRow;
    TW_UINT32 Columns;
    TW_UINT32 Rows;
    TW_UINT32 XOffset;
    TW_UINT32 YOffset;
    TW_UINT32 BytesWritten;
    TW_MEMORY Memory;
} TW_IMAGEMEMXFER;

typedef struct {
    TW_UINT8 Index;
    TW_UINT8 Channel1;
    TW_UINT8 Channel2;
    TW_UINT8 Channel3;
} TW_ELEMENT8;

typedef struct {
    TW_UINT16 NumColors;
    TW_UINT16 PaletteType;
    TW_ELEMENT8 Colors[256];
} TW_PALETTE8;

typedef struct {
    TW_UINT16 InfoID;
    TW_UINT16 ItemType;
    TW_UINT16 NumItems;
    union {
        TW_UINT16 ReturnCode;
        TW_UINT16 CondCode;
    };
    TW_UINTPTR Item;
} TW_INFO;

typedef struct {
    TW_UINT32 NumInfos;
    TW_INFO Info[1];
} TW_EXTIMAGEINFO;

typedef struct {
    TW_UINT16 ConditionCode;
    TW_UINT16 Data;
} TW_STATUS;

#pragma pack(pop)

static_assert(sizeof(TW_IDENTITY) == 156, "TW_IDENTITY layout");
static_assert(sizeof(TW_IMAGEINFO) == 42, "TW_IMAGEINFO layout");
static_assert(sizeof(TW_PALETTE8) == 1028, "TW_PALETTE8 layout");
static_assert(sizeof(TW_SETUPFILEXFER) == 260, "TW_SETUPFILEXFER layout");
static_assert(sizeof(TW_FIX32) == 4, "TW_FIX32 layout");

// The manager's one entry point; WINAPI is the Windows calling convention (stdcall on x86).
typedef TW_UINT16(WINAPI* DSMENTRYPROC)(pTW_IDENTITY origin, pTW_IDENTITY dest, TW_UINT32 dg,
                                        TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

// Protocol version of this application.
#define TWON_PROTOCOLMAJOR 2
#define TWON_PROTOCOLMINOR 1

// Data groups.
#define DG_CONTROL 0x0001L
#define DG_IMAGE 0x0002L
#define DG_AUDIO 0x0004L

// Data argument types.
#define DAT_NULL 0x0000
#define DAT_CAPABILITY 0x0001
#define DAT_EVENT 0x0002
#define DAT_IDENTITY 0x0003
#define DAT_PARENT 0x0004
#define DAT_PENDINGXFERS 0x0005
#define DAT_SETUPMEMXFER 0x0006
#define DAT_SETUPFILEXFER 0x0007
#define DAT_STATUS 0x0008
#define DAT_USERINTERFACE 0x0009
#define DAT_XFERGROUP 0x000a
#define DAT_IMAGEINFO 0x0101
#define DAT_IMAGELAYOUT 0x0102
#define DAT_IMAGEMEMXFER 0x0103
#define DAT_IMAGENATIVEXFER 0x0104
#define DAT_IMAGEFILEXFER 0x0105
#define DAT_PALETTE8 0x0109
#define DAT_EXTIMAGEINFO 0x010b
#define DAT_ENTRYPOINT 0x0403

// Messages.
#define MSG_NULL 0x0000
#define MSG_GET 0x0001
#define MSG_GETCURRENT 0x0002
#define MSG_GETDEFAULT 0x0003
#define MSG_GETFIRST 0x0004
#define MSG_GETNEXT 0x0005
#define MSG_SET 0x0006
#define MSG_RESET 0x0007
#define MSG_QUERYSUPPORT 0x0008
#define MSG_GETHELP 0x0009
#define MSG_GETLABEL 0x000a
#define MSG_GETLABELENUM 0x000b
#define MSG_XFERREADY 0x0101
#define MSG_CLOSEDSREQ 0x0102
#define MSG_CLOSEDSOK 0x0103
#define MSG_DEVICEEVENT 0x0104
#define MSG_OPENDSM 0x0301
#define MSG_CLOSEDSM 0x0302
#define MSG_OPENDS 0x0401
#define MSG_CLOSEDS 0x0402
#define MSG_USERSELECT 0x0403
#define MSG_DISABLEDS 0x0501
#define MSG_ENABLEDS 0x0502
#define MSG_ENABLEDSUIONLY 0x0503
#define MSG_PROCESSEVENT 0x0601
#define MSG_ENDXFER 0x0701
#define MSG_STOPFEEDER 0x0702

// Return codes.
#define TWRC_SUCCESS 0
#define TWRC_FAILURE 1
#define TWRC_CHECKSTATUS 2
#define TWRC_CANCEL 3
#define TWRC_DSEVENT 4
#define TWRC_NOTDSEVENT 5
#define TWRC_XFERDONE 6
#define TWRC_ENDOFLIST 7
#define TWRC_INFONOTSUPPORTED 8
#define TWRC_DATANOTAVAILABLE 9

// Condition codes.
#define TWCC_SUCCESS 0
#define TWCC_BUMMER 1
#define TWCC_LOWMEMORY 2
#define TWCC_NODS 3
#define TWCC_MAXCONNECTIONS 4
#define TWCC_OPERATIONERROR 5
#define TWCC_BADCAP 6
#define TWCC_BADPROTOCOL 9
#define TWCC_BADVALUE 10
#define TWCC_SEQERROR 11
#define TWCC_BADDEST 12
#define TWCC_CAPUNSUPPORTED 13
#define TWCC_CAPBADOPERATION 14
#define TWCC_CAPSEQERROR 15
#define TWCC_DENIED 16
#define TWCC_FILEEXISTS 17
#define TWCC_FILENOTFOUND 18
#define TWCC_NOTEMPTY 19
#define TWCC_PAPERJAM 20
#define TWCC_PAPERDOUBLEFEED 21
#define TWCC_FILEWRITEERROR 22
#define TWCC_CHECKDEVICEONLINE 23

// Container types.
#define TWON_ARRAY 3
#define TWON_ENUMERATION 4
#define TWON_ONEVALUE 5
#define TWON_RANGE 6
#define TWON_DONTCARE8 0xff
#define TWON_DONTCARE16 0xffff
#define TWON_DONTCARE32 0xffffffff

// Item types.
#define TWTY_INT8 0x0000
#define TWTY_INT16 0x0001
#define TWTY_INT32 0x0002
#define TWTY_UINT8 0x0003
#define TWTY_UINT16 0x0004
#define TWTY_UINT32 0x0005
#define TWTY_BOOL 0x0006
#define TWTY_FIX32 0x0007
#define TWTY_FRAME 0x0008
#define TWTY_STR32 0x0009
#define TWTY_STR64 0x000a
#define TWTY_STR128 0x000b
#define TWTY_STR255 0x000c
#define TWTY_STR1024 0x000d
#define TWTY_UNI512 0x000e
#define TWTY_HANDLE 0x000f

// Transfer mechanisms.
#define TWSX_NATIVE 0
#define TWSX_FILE 1
#define TWSX_MEMORY 2

// Pixel types.
#define TWPT_BW 0
#define TWPT_GRAY 1
#define TWPT_RGB 2
#define TWPT_PALETTE 3
#define TWPT_CMY 4
#define TWPT_CMYK 5

// File formats.
#define TWFF_TIFF 0
#define TWFF_PICT 1
#define TWFF_BMP 2
#define TWFF_XBM 3
#define TWFF_JFIF 4
#define TWFF_FPX 5
#define TWFF_TIFFMULTI 6
#define TWFF_PNG 7
#define TWFF_SPIFF 8
#define TWFF_EXIF 9

// Languages and countries of an identity.
#define TWLG_ENGLISH_USA 13
#define TWCY_USA 1

// Supported groups flags.
#define DF_DSM2 0x10000000L
#define DF_APP2 0x20000000L
#define DF_DS2 0x40000000L

// Capabilities the engine names itself.
#define CAP_XFERCOUNT 0x0001
#define ICAP_COMPRESSION 0x0100
#define ICAP_PIXELTYPE 0x0101
#define ICAP_UNITS 0x0102
#define ICAP_XFERMECH 0x0103
#define CAP_FEEDERENABLED 0x1002
#define CAP_FEEDERLOADED 0x1003
#define CAP_AUTOFEED 0x1007
#define CAP_FEEDPAGE 0x1009
#define CAP_REWINDPAGE 0x100A
#define CAP_INDICATORS 0x100B
#define CAP_PAPERDETECTABLE 0x100D
#define CAP_UICONTROLLABLE 0x100E
#define CAP_DEVICEONLINE 0x100F
#define CAP_AUTOSCAN 0x1010
#define CAP_DUPLEX 0x1012
#define CAP_DUPLEXENABLED 0x1013
#define CAP_CAMERAPREVIEWUI 0x1021
#define ICAP_AUTOBRIGHT 0x1100
#define ICAP_BRIGHTNESS 0x1101
#define ICAP_CONTRAST 0x1103
#define ICAP_XRESOLUTION 0x1118
#define ICAP_YRESOLUTION 0x1119
#define ICAP_PIXELFLAVOR 0x111F
#define ICAP_SUPPORTEDSIZES 0x1122
#define ICAP_BITDEPTH 0x112B
#define ICAP_AUTODISCARDBLANKPAGES 0x1134
#define ICAP_AUTOMATICBORDERDETECTION 0x1150
#define ICAP_AUTOMATICDESKEW 0x1151

// Units, pixel flavours, blank-page discarding.
#define TWUN_INCHES 0
#define TWUN_CENTIMETERS 1
#define TWPF_CHOCOLATE 0
#define TWPF_VANILLA 1
#define TWBP_DISABLE (-2)
#define TWBP_AUTO (-1)

// Memory descriptor flags.
#define TWMF_APPOWNS 0x0001
#define TWMF_DSMOWNS 0x0002
#define TWMF_DSOWNS 0x0004
#define TWMF_POINTER 0x0008
#define TWMF_HANDLE 0x0010

// Extended image information ids.
#define TWEI_BARCODEX 0x1200
#define TWEI_BARCODEY 0x1201
#define TWEI_BARCODETEXT 0x1202
#define TWEI_BARCODETYPE 0x1203
#define TWEI_ENDORSEDTEXT 0x1213
#define TWEI_BARCODECOUNT 0x1219
#define TWEI_BARCODECONFIDENCE 0x121A
#define TWEI_BARCODEROTATION 0x121B
#define TWEI_BARCODETEXTLENGTH 0x121C
#define TWEI_BOOKNAME 0x1238
#define TWEI_CHAPTERNUMBER 0x1239
#define TWEI_DOCUMENTNUMBER 0x123A
#define TWEI_PAGENUMBER 0x123B
#define TWEI_CAMERA 0x123C
#define TWEI_FRAMENUMBER 0x123D
#define TWEI_FRAME 0x123E
#define TWEI_PIXELFLAVOR 0x123F
#define TWEI_MAGDATA 0x1243
#define TWEI_MAGTYPE 0x1244
#define TWEI_PAGESIDE 0x1245

// The data source's one entry point.
typedef TW_UINT16(WINAPI* DSENTRYPROC)(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                                       TW_MEMREF data);

static_assert(sizeof(TW_CAPABILITY) == 4 + sizeof(TW_HANDLE), "TW_CAPABILITY layout");
static_assert(sizeof(TW_ONEVALUE) == 6, "TW_ONEVALUE layout");
static_assert(sizeof(TW_RANGE) == 22, "TW_RANGE layout");
static_assert(sizeof(TW_IMAGELAYOUT) == 28, "TW_IMAGELAYOUT layout");
