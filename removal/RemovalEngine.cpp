#include "RemovalEngine.h"

CRemovalEngine::CRemovalEngine(Program variant, IRemovalContext& context) : m_variant(variant), m_context(context)
{
}

void CRemovalEngine::LeftoverNote(Note note, const char* pszText)
{
    if (note == Note::Shown) {
        m_context.ProgressNote(pszText, !IsInstaller(), 500);
    }
}
