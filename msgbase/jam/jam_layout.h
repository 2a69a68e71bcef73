// The files of a JAM message base as this program reads and writes them:
// names, record sizes, field offsets, attribute bits, subfield ids and the
// error codes of the format. All numbers on disk are little-endian.
//
//   .JHR  the 1024-byte base header, then message headers (76 bytes each,
//         followed by their subfields), appended as messages are written
//   .JDX  the index: one 8-byte record per message, in message-number order
//   .JDT  the message texts, each a contiguous run of bytes
//   .JLR  lastread records, 16 bytes per user
#pragma once

#include <cstddef>
#include <cstdint>

#include "msgbase/io/peer_lock.h"

namespace kestrel::jam {

// File extensions; the base path gets a "." before them.
inline constexpr char kHeaderExtension[] = "JHR";
inline constexpr char kIndexExtension[] = "JDX";
inline constexpr char kTextExtension[] = "JDT";
inline constexpr char kLastReadExtension[] = "JLR";

// The signature of the base header and of every message header: "JAM" and 0.
inline constexpr std::uint8_t kSignature[4] = {0x4A, 0x41, 0x4D, 0x00};

// Base header record, at offset 0 of the .JHR file.
inline constexpr std::size_t kBaseHeaderSize = 1024;
inline constexpr std::size_t kBaseSignatureOffset = 0;
inline constexpr std::size_t kBaseDateCreatedOffset = 4;
inline constexpr std::size_t kBaseModCounterOffset = 8;
inline constexpr std::size_t kBaseActiveMsgsOffset = 12;
inline constexpr std::size_t kBasePasswordCrcOffset = 16;
inline constexpr std::size_t kBaseMsgNumOffset = 20;
inline constexpr std::size_t kBaseReservedOffset = 24;  // reserved to the end

// Index record (.JDX).
inline constexpr std::size_t kIndexRecordSize = 8;
inline constexpr std::size_t kIndexRecipientCrcOffset = 0;
inline constexpr std::size_t kIndexHdrOffsetOffset = 4;
// A header offset of -1 marks a deleted index record.
inline constexpr std::int32_t kDeletedHdrOffset = -1;

// Message header record (.JHR), directly followed by SubfieldLen bytes of
// subfields.
inline constexpr std::size_t kMsgHeaderSize = 76;
inline constexpr std::size_t kMsgSignatureOffset = 0;
inline constexpr std::size_t kMsgRevisionOffset = 4;      // 16-bit
inline constexpr std::size_t kMsgReservedWordOffset = 6;  // 16-bit
inline constexpr std::size_t kMsgSubfieldLenOffset = 8;
inline constexpr std::size_t kMsgTimesReadOffset = 12;
inline constexpr std::size_t kMsgIdCrcOffset = 16;
inline constexpr std::size_t kMsgReplyCrcOffset = 20;
inline constexpr std::size_t kMsgReplyToOffset = 24;
inline constexpr std::size_t kMsgReply1stOffset = 28;
inline constexpr std::size_t kMsgReplyNextOffset = 32;
inline constexpr std::size_t kMsgDateWrittenOffset = 36;
inline constexpr std::size_t kMsgDateReceivedOffset = 40;
inline constexpr std::size_t kMsgDateProcessedOffset = 44;
inline constexpr std::size_t kMsgNumOffset = 48;
inline constexpr std::size_t kMsgAttributeOffset = 52;
inline constexpr std::size_t kMsgAttribute2Offset = 56;
inline constexpr std::size_t kMsgTxtOffsetOffset = 60;
inline constexpr std::size_t kMsgTxtLenOffset = 64;
inline constexpr std::size_t kMsgPasswordCrcOffset = 68;
inline constexpr std::size_t kMsgCostOffset = 72;
inline constexpr std::uint16_t kMsgRevision = 1;

// The subfield area kept with a message header: subfields past it are not
// read, and a message never stores more.
inline constexpr std::size_t kSubfieldAreaSize = 12288;
// Header and subfields, read and written in one piece.
inline constexpr std::size_t kHeaderWithSubfieldsSize = kMsgHeaderSize + kSubfieldAreaSize;

// Subfield record: an 8-byte head, then DatLen bytes of data.
inline constexpr std::size_t kSubfieldHeadSize = 8;
inline constexpr std::size_t kSubfieldLoIdOffset = 0;
inline constexpr std::size_t kSubfieldHiIdOffset = 2;
inline constexpr std::size_t kSubfieldDatLenOffset = 4;
// The most data bytes this program reads from, or writes into, one subfield.
inline constexpr std::size_t kSubfieldDataLimit = 255;

// Subfield ids (LoID).
inline constexpr std::uint16_t kSubOAddress = 0;
inline constexpr std::uint16_t kSubDAddress = 1;
inline constexpr std::uint16_t kSubSenderName = 2;
inline constexpr std::uint16_t kSubReceiverName = 3;
inline constexpr std::uint16_t kSubMsgId = 4;
inline constexpr std::uint16_t kSubReplyId = 5;
inline constexpr std::uint16_t kSubSubject = 6;
inline constexpr std::uint16_t kSubPid = 7;
inline constexpr std::uint16_t kSubTrace = 8;
inline constexpr std::uint16_t kSubEnclosedFile = 9;
inline constexpr std::uint16_t kSubEnclosedFreq = 11;
inline constexpr std::uint16_t kSubFtsKludge = 2000;
inline constexpr std::uint16_t kSubSeenBy2D = 2001;
inline constexpr std::uint16_t kSubPath2D = 2002;
inline constexpr std::uint16_t kSubFlags = 2003;
// The sender's offset from UTC (the TZUTC kludge's value), as the husky
// tosser stores it. Read only: a TZUTC line is written as a 2000 kludge.
inline constexpr std::uint16_t kSubTzUtcInfo = 2004;

// Attribute bits of a message header.
inline constexpr std::uint32_t kAttrLocal = 0x00000001;
inline constexpr std::uint32_t kAttrInTransit = 0x00000002;
inline constexpr std::uint32_t kAttrPrivate = 0x00000004;
inline constexpr std::uint32_t kAttrRead = 0x00000008;
inline constexpr std::uint32_t kAttrSent = 0x00000010;
inline constexpr std::uint32_t kAttrKillSent = 0x00000020;
inline constexpr std::uint32_t kAttrHold = 0x00000080;
inline constexpr std::uint32_t kAttrCrash = 0x00000100;
inline constexpr std::uint32_t kAttrFileRequest = 0x00001000;
inline constexpr std::uint32_t kAttrFileAttach = 0x00002000;
inline constexpr std::uint32_t kAttrReceiptRequest = 0x00010000;
inline constexpr std::uint32_t kAttrConfirmRequest = 0x00020000;
inline constexpr std::uint32_t kAttrOrphan = 0x00040000;
inline constexpr std::uint32_t kAttrTypeLocal = 0x00800000;
inline constexpr std::uint32_t kAttrTypeEcho = 0x01000000;
inline constexpr std::uint32_t kAttrTypeNet = 0x02000000;
// Set by JAM software that deletes a message in place (it keeps the index
// record and lowers ActiveMsgs); such a message counts as deleted.
inline constexpr std::uint32_t kAttrDeleted = 0x80000000;

// Lastread record (.JLR).
inline constexpr std::size_t kLastReadRecordSize = 16;
inline constexpr std::size_t kLastReadUserCrcOffset = 0;
inline constexpr std::size_t kLastReadUserIdOffset = 4;
inline constexpr std::size_t kLastReadLastReadOffset = 8;
inline constexpr std::size_t kLastReadHighReadOffset = 12;

// Values written into new records.
inline constexpr std::uint32_t kNoCrc = 0xFFFFFFFF;     // no password, no MSGID, ...
inline constexpr std::int32_t kFirstMessageNumber = 1;  // BaseMsgNum of a new base

// Mode words of the file opens.
inline constexpr std::uint32_t kModeCreateNew = 0x2010;      // create, never replace
inline constexpr std::uint32_t kModeOpenShared = 0x2002;     // read/write, others may read
inline constexpr std::uint32_t kModeOpenExclusive = 0x0002;  // read/write, exclusive (.JLR)

// Error codes (LastError).
inline constexpr std::int32_t kErrorNoHeaderFile = 0x2000;    // .JHR missing
inline constexpr std::int32_t kErrorNoIndexFile = 0x2001;     // .JDX missing
inline constexpr std::int32_t kErrorNoTextFile = 0x2002;      // .JDT missing
inline constexpr std::int32_t kErrorOpenHeaderFile = 0x2003;  // .JHR cannot be opened or read
inline constexpr std::int32_t kErrorOpenIndexFile = 0x2004;   // .JDX cannot be opened
inline constexpr std::int32_t kErrorOpenTextFile = 0x2005;    // .JDT cannot be opened
// No such message, or a read or write of its index record, header or text
// failed.
inline constexpr std::int32_t kErrorMessageIo = 0x2006;
inline constexpr std::int32_t kErrorBadHeaderOffset = 0x2007;   // header not inside the .JHR
inline constexpr std::int32_t kErrorBadTextOffset = 0x2008;     // text not inside the .JDT
inline constexpr std::int32_t kErrorCreateHeaderFile = 0x200A;  // .JHR cannot be created
inline constexpr std::int32_t kErrorCreateIndexFile = 0x200B;   // .JDX cannot be created
inline constexpr std::int32_t kErrorCreateTextFile = 0x200C;    // .JDT cannot be created
// .JLR missing: never reported, a missing .JLR is created when first needed.
inline constexpr std::int32_t kErrorNoLastReadFile = 0x200D;
inline constexpr std::int32_t kErrorOpenLastReadFile = 0x200F;  // .JLR cannot be opened or created
inline constexpr std::int32_t kErrorLocked = kJamBaseLocked;    // another program kept the lock

}  // namespace kestrel::jam
