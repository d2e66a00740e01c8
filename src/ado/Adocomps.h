#pragma once

// The ADO data-access components: the enumerations they share, with their ADO constants, the
// connection, the command with its parameters, the datasets and the blob stream.

#include "ado/AdocompsBlobStream.h"
#include "ado/AdocompsCommand.h"
#include "ado/AdocompsConnection.h"
#include "ado/AdocompsDataset.h"
#include "ado/AdocompsTables.h"
#include "ado/AdocompsTypes.h"
