// The typed TWAIN members both hosts carry, as tables over the engine's operations: each host
// expands them into its own adapters (the control's C++ methods, the plug-in's script members),
// so the two cannot drift apart. Operation names follow the member: Get<Member>, Set<Member>.
#pragma once

// 16-bit capability values read and written (CTwainOperateWrapper): member.
#define LUMETTA_TWAIN_NUMBERS(X) X(XferCount) X(PageSize) X(PixelFlavor) X(Unit) X(PixelType) X(BitDepth)

// Capability switches read and written: member. A put means "on" only for exactly 1.
#define LUMETTA_TWAIN_SWITCHES(X)                                                                  \
    X(IfShowIndicator) X(IfAutoScan) X(IfFeederEnabled) X(IfDuplexEnabled) X(IfAutoFeed)           \
    X(IfAutomaticBorderDetection) X(IfAutomaticDeskew) X(IfAutoDiscardBlankpages)

// Capability switches the source only reports: member.
#define LUMETTA_TWAIN_READINGS(X) X(IfFeederLoaded) X(IfPaperDetectable) X(IfDeviceOnline) X(IfUIControllable)

// Capability operations without arguments on the capability chosen by Capability: member.
#define LUMETTA_TWAIN_CAP_OPERATIONS(X) \
    X(CapGet) X(CapGetCurrent) X(CapGetDefault) X(CapSet) X(CapReset) X(CapGetHelp) X(CapGetLabel) X(CapGetLabels)

// Doubles of the capability work area, read and written: member, field of TwainCapabilityArea.
#define LUMETTA_TWAIN_AREA_VALUES(X)                                                                \
    X(CapMinValue, rangeMin) X(CapMaxValue, rangeMax) X(CapStepSize, rangeStep)                   \
    X(CapCurrentValue, rangeCurrent) X(CapValue, oneValue)

// The four frame members of item index of the work area's frame list: member.
#define LUMETTA_TWAIN_FRAME_GETTERS(X) X(CapGetFrameLeft) X(CapGetFrameRight) X(CapGetFrameTop) X(CapGetFrameBottom)

// Image information of the last transfer: member, script type, value read from CTwainBase.
#define LUMETTA_TWAIN_IMAGE_FLOATS(X)                                                              \
    X(ImageXResolution, Fix32ToFloat(CurrentImageInfo().XResolution))                             \
    X(ImageYResolution, Fix32ToFloat(CurrentImageInfo().YResolution))                             \
    X(ImageLayoutFrameLeft, Fix32ToFloat(CurrentImageLayout().Frame.Left))                        \
    X(ImageLayoutFrameRight, Fix32ToFloat(CurrentImageLayout().Frame.Right))                      \
    X(ImageLayoutFrameTop, Fix32ToFloat(CurrentImageLayout().Frame.Top))                          \
    X(ImageLayoutFrameBottom, Fix32ToFloat(CurrentImageLayout().Frame.Bottom))
#define LUMETTA_TWAIN_IMAGE_NUMBERS(X)                                                             \
    X(ImageWidth, long, CurrentImageInfo().ImageWidth)                                             \
    X(ImageLength, long, CurrentImageInfo().ImageLength)                                           \
    X(ImageBitsPerPixel, short, CurrentImageInfo().BitsPerPixel)                                   \
    X(ImagePixelType, short, CurrentImageInfo().PixelType)                                         \
    X(ImageLayoutDocumentNumber, long, CurrentImageLayout().DocumentNumber)                        \
    X(ImageLayoutPageNumber, long, CurrentImageLayout().PageNumber)                                \
    X(ImageLayoutFrameNumber, long, CurrentImageLayout().FrameNumber)

// Image layout operations with four floats (left, top, right, bottom) handed out: member.
#define LUMETTA_TWAIN_LAYOUT_READS(X) X(GetImageLayout) X(GetDefaultImageLayout)
