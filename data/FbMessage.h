// The message buffers through which the Firebird interface passes the
// parameters of a statement and each row of its result: the layout of
// their columns, read once from the metadata, and the values written into
// and read out of them. Large values (blobs) live apart from the message,
// reached through the attachment: the client writes and reads those itself.
#pragma once

#include <firebird/Interface.h>

#include <QByteArray>
#include <vector>

#include "data/Value.h"

// One column of a message. Read once from the metadata: each call into the
// client library costs more than the reading of a value.
struct MessageColumn {
    unsigned type, subType, length, charset, offset, nullOffset;
    int scale;
    const char* field;
    const char* alias;
};

std::vector<MessageColumn> DescribeMessage(Firebird::ThrowStatusWrapper* st,
                                           Firebird::IMessageMetadata* meta);

// The column as the in-memory tables describe theirs.
FieldDef ColumnField(const MessageColumn& col);

bool IsNullIn(const unsigned char* buf, const MessageColumn& col);
void SetNullIn(unsigned char* buf, const MessageColumn& col, bool null);

// Writes `v`, neither null nor a blob, into the column's place in `buf`;
// throws FbError for a type of column it does not know.
void WriteColumn(unsigned char* buf, const MessageColumn& col, const Value& v);
// The column's value in `buf`, neither null nor a blob.
Value ReadColumn(const unsigned char* buf, const MessageColumn& col);

// The blob a column names, and the value its bytes hold: text unless the
// blob is binary.
ISC_QUAD BlobIdIn(const unsigned char* buf, const MessageColumn& col);
void SetBlobIdIn(unsigned char* buf, const MessageColumn& col, ISC_QUAD id);
Value BlobValue(const MessageColumn& col, QByteArray data);
