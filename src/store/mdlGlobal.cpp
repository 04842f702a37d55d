#include "store/mdlGlobal.h"

namespace mdlGlobal {

std::string strPassword;
std::string strQuestion;
std::string strAnswer;
int16_t intQuestion = 0;
std::string strLockPassword;
bool bEditMode = false;
bool bNewMode = false;

} // namespace mdlGlobal
