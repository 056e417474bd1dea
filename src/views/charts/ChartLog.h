#pragma once
// The capture as the charts read and write it: the one place that knows the capture buffer's
// interface (the monitor plots log frame i at chart frame i).
#include <cstdint>

class TDataLog;
class TPacket;

// The log is there and holds captured frame i.
bool ChartLogHolds(const TDataLog* log, int i);
// Captured frames; 0 without a log.
int ChartLogCount(const TDataLog* log);
// A copy of captured frame i.
void ChartLogRead(const TDataLog& log, int i, TPacket& frame);
uint32_t ChartLogNotes(const TDataLog& log, int i);
void ChartLogSetNotes(TDataLog& log, int i, uint32_t notes);
