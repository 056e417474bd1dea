#include "views/charts/ChartLog.h"

#include "log/DataLog.h"

bool ChartLogHolds(const TDataLog* log, int i) {
    return log && i >= 0 && i < log->Count();
}

uint32_t ChartLogNotes(const TDataLog& log, int i) {
    return log.Notes(i);
}

void ChartLogSetNotes(TDataLog& log, int i, uint32_t notes) {
    log.SetNotes(i, notes);
}

int ChartLogCount(const TDataLog* log) {
    return log ? log->Count() : 0;
}

void ChartLogRead(const TDataLog& log, int i, TPacket& frame) {
    log.ReadFrame(i, frame);
}
