// The frame maker joined with the built-in host; the algorithm's host calls
// go to the host part unchanged.
#include "framira_framework.h"

CFrameMakerAutoEngine::CFrameMakerAutoEngine() = default;
CFrameMakerAutoEngine::~CFrameMakerAutoEngine() = default;

void* CFrameMakerAutoEngine::AllocateMemory(long size) { return CABufferHost::AllocateMemory(size); }
void CFrameMakerAutoEngine::ReleaseMemory(void* block) { CABufferHost::ReleaseMemory(block); }
void CFrameMakerAutoEngine::HostReserved(void* block, int value) { CABufferHost::HostReserved(block, value); }
int CFrameMakerAutoEngine::GetRegion(void* image, CARect& rect, void* buffer, int selector)
{
    return CABufferHost::GetRegion(image, rect, buffer, selector);
}
int CFrameMakerAutoEngine::PutRegion(void* image, CARect& rect, void* buffer, int selector)
{
    return CABufferHost::PutRegion(image, rect, buffer, selector);
}
int CFrameMakerAutoEngine::HostQuery() { return CABufferHost::HostQuery(); }
