#ifndef TARNO_UI_WIN32_RESOURCE_H_
#define TARNO_UI_WIN32_RESOURCE_H_

// The module's resource ids, shared by tarno_contest.rc and the C++ that opens the windows.
// Control ids need to be unique within their own dialog only.

// Cabrillo header dialog: one control per header line.
#define IDD_CABRILLO_HEADER 101
#define IDC_HEADER_SOAPBOX 1001
#define IDC_HEADER_ADDRESS 1002
#define IDC_HEADER_ADDRESS_CITY 1003
#define IDC_HEADER_EMAIL 1004
#define IDC_HEADER_CLUB 1005
#define IDC_HEADER_OPERATORS 1006
#define IDC_HEADER_NAME 1007
#define IDC_HEADER_CLAIMED 1008
#define IDC_HEADER_CONTEST 1009
#define IDC_HEADER_CALLSIGN 1010
#define IDC_HEADER_ADDRESS_POSTALCODE 1011
#define IDC_HEADER_ADDRESS_COUNTRY 1012
#define IDC_HEADER_CATEGORY_OPERATOR 1013
#define IDC_HEADER_CATEGORY_BAND 1118
#define IDC_HEADER_LOCATION 1121
#define IDC_HEADER_CATEGORY_TRANSMITTER 1122
#define IDC_HEADER_CATEGORY_MODE 1123
#define IDC_HEADER_CATEGORY_POWER 1125

// Setup dialog (OK is IDOK).
#define IDD_SETUP 105
#define IDC_SETUP_MASTER 1014
#define IDC_SETUP_MULTIPLIER 1106

// County window: one check box per county, named by the county's code.
#define IDD_COUNTY_WINDOW 106
#define IDC_COUNTY_ZA 1015
#define IDC_COUNTY_SO 1016
#define IDC_COUNTY_BP 1017
#define IDC_COUNTY_BE 1018
#define IDC_COUNTY_GY 1033
#define IDC_COUNTY_TO 1034
#define IDC_COUNTY_NG 1035
#define IDC_COUNTY_CS 1038
#define IDC_COUNTY_VA 1051
#define IDC_COUNTY_BA 1052
#define IDC_COUNTY_BO 1053
#define IDC_COUNTY_BN 1069
#define IDC_COUNTY_HE 1070
#define IDC_COUNTY_SA 1071
#define IDC_COUNTY_VE 1081
#define IDC_COUNTY_FE 1082
#define IDC_COUNTY_SZ 1086
#define IDC_COUNTY_KO 1087
#define IDC_COUNTY_HB 1088
#define IDC_COUNTY_PE 1089

// Information window: the score table is painted into one owner-drawn button.
#define IDD_INFO_WINDOW 108
#define IDC_INFO_TABLE 1003

// The module's icon, shown by the county and information windows.
#define IDI_TARNO 110

#endif  // TARNO_UI_WIN32_RESOURCE_H_
