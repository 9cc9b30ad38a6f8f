#pragma once

#include <QByteArray>

#include <optional>

#include "OpenRequest.h"

// The message a second start sends to the program that runs: a frame of a 32-bit big-endian payload
// length, then the payload (a tag, a format number, the count and each request's kind and path in
// QDataStream's encoding). The running program answers a frame it accepts with the single byte
// HandOverAccepted.

constexpr quint32 MaxHandOverPayload = 16 * 1024 * 1024;
constexpr char HandOverAccepted = 0x06;
constexpr qsizetype HandOverHeaderSize = 4;

QByteArray EncodeHandOver(const TOpenRequests& requests);

// The payload length a frame announces in its first four bytes; nothing while fewer have arrived.
std::optional<quint32> HandOverPayloadLength(const QByteArray& frameStart);

// The requests of a payload; nothing for a payload that is not one of ours, is cut short, has bytes
// left over, names an unknown kind or a path that is empty or not absolute.
std::optional<TOpenRequests> DecodeHandOver(const QByteArray& payload);
