// Every shared record of acquisition in one include.
#pragma once

#include "AcquisitionSettings.h"
#include "ExportText.h"
#include "ResultSummary.h"
#include "RunState.h"
#include "SampleStore.h"
#include "TestConditions.h"
