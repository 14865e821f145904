#pragma once

#include <QtGlobal>

// Counts the runs of one kind of query, so that a run resuming after a wait can tell
// whether a newer run has started meanwhile and must not be written over.
class LatestRun
{
public:
    using Ticket = quint64;

    Ticket begin() { return ++m_latest; }
    bool isLatest(Ticket ticket) const { return ticket == m_latest; }

private:
    Ticket m_latest = 0;
};
