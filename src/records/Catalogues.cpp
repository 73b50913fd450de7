#include "records/Catalogues.h"

#include <algorithm>

#include "util/FileUtil.h"
#include "util/StrUtil.h"
#include "util/TextLines.h"

namespace ombrix {

const std::vector<std::string>& BuiltInProducts() {
  static const std::vector<std::string> items = {
      "N0S, Storm Relative Motion",
      "N0V, Velocity",
      "N0Z, Long Range Reflectivity ",
      "N1P, 1 Hour Precipitation",
      "NCR, Short Range Composite",
      "NTP, Storm Total Precipitation",
  };
  return items;
}

const std::vector<std::string>& BuiltInRadars() {
  static const std::vector<std::string> items = {
      "!!ConUS,Iowa State University",
      "!!USRad,Texas A&M Universtity",
      "AK,Anchorage/Kenei,AHG",
      "AK,Middleton Islands,AIH",
      "AL,Carrville/Maxwell AFB,MXX",
      "AL,Ft. Rucker,EOX",
      "AL,Mobile,MOB",
      "AL,N.E./Hytop,HTX",
      "AL,Shelby County AP/Birmingham,BMX",
      "AR,Little Rock,LZK",
      "AR,Western Arkansas/Ft. Smith,SRX",
      "AZ,Flagstaff,FSX",
      "AZ,Tucson,EMX",
      "AZ,Williams AFB/Phoenix,IWA",
      "AZ,Yuma,YUX",
      "CA,Beale AFB,BBX",
      "CA,Edwards AFB,EYX",
      "CA,Eureka,BHX",
      "CA,Hanford AP/San Joaquin Valley,HNX",
      "CA,McClellan AFB/Sacremento,DAX",
      "CA,Mt Umunhum/San Francisco,MUX",
      "CA,San Diego,NKX",
      "CA,Santa Ana Mountains/March AFB,SOX",
      "CA,Sulphur Mtn/Los Angeles,VTX",
      "CA,Vandenberg AFB,VBX",
      "CO,Front Range AP/Denver,FTG",
      "CO,Grand Junction,GJX",
      "CO,Pueblo,PUX",
      "DE,Dover AFB,DOX",
      "FL,Jacksonville,JAX",
      "FL,Key West,BYX",
      "FL,Melbourne,MLB",
      "FL,Miami,AMX",
      "FL,Red Bay/Eglin AFB,EVX",
      "FL,Ruskin/Tampa Bay,TBW",
      "FL,Tallahassee,TLH",
      "GA,Moody AFB,VAX",
      "GA,Peach Tree City/Atlanta,FFC",
      "GA,Robins AFB,JGX",
      "HI,Kohala,HKM",
      "HI,Molokai,HMO",
      "HI,South Hawaii,HWA",
      "HI,South Kauai,HKI",
      "IA,Acorn Valley/Des Moines,DMX",
      "IA,Davenport/Quad Cities,DVN",
      "ID,Boise,CBX",
      "ID,Pocatello/Idaho falls,SFX",
      "IL,Central (Springfield),ILX",
      "IL,Chicago,LOT",
      "IN,Indianapolis,IND",
      "IN,Webster,IWX",
      "KS,Dodge City,DDC",
      "KS,Goodland,GLD",
      "KS,Wabaunsee County/Topeka,TWX",
      "KS,Wichita,ICT",
      "KY,Ft Knox Mil Res/Louisville,LVX",
      "KY,Ft. Campbell,HPX",
      "KY,Jackson,JKL",
      "KY,Paducah,PAH",
      "LA,Ft Polk,POE",
      "LA,Lake Charles,LCH",
      "LA,Shreveport,SHV",
      "LA,Slidell AP/New Orleans,LIX",
      "MA,Taunton/Boston,BOX",
      "ME,Caribou (Loring AFB),CBW",
      "ME,Gray/Portland,GYX",
      "MI,Alpena/Gaylord,APX",
      "MI,Grand Rapids/Muskegon,GRR",
      "MI,Marquette,MQT",
      "MI,Pontiac/Detroit,DTX",
      "MN,Chanhassen Township/Minn-St.P,MPX",
      "MN,Duluth,DLH",
      "MO,Pleasant Hill/KC,EAX",
      "MO,Springfield,SGF",
      "MO,St Charles City/St Louis,LSX",
      "MS,Columbus AFB,GWX",
      "MS,Jackson,DGX",
      "MT,Billings,BLX",
      "MT,Glasgow,GGW",
      "MT,Great Falls,TFX",
      "MT,Pt Six Mtn/Missoula,MSX",
      "NB,North Platte,LNX",
      "NC,Newport/Morehead City,MHX",
      "NC,Shallotte/Wilmington,LTX",
      "NC,Triple West AP/Raleigh-Durham,RAX",
      "ND,Bismarck,BIS",
      "ND,Fargo,MVX",
      "ND,Minot AFB,MBX",
      "NE,Grand Island,UEX",
      "NE,Omaha,OAX",
      "NJ/Philadelphia, PA,Fort Dix,DIX",
      "NM,Field Village/Cannon AFB,FDX",
      "NM,Holloman AFB,HDX",
      "NM,La Mesita Negra/Albuquerque,ABX",
      "NV,Elko,LRX",
      "NV,Las Vegas,ESC",
      "NV,Virginia Peak/Reno,RGX",
      "NY,Binghamton,BGM",
      "NY,Brookhaven/New York City,OKX",
      "NY,Buffalo,BUF",
      "NY,East Berne/Albany,ENX",
      "NY,Ft Drum AFB/Montague,TYX",
      "OH,Cleveland,CLE",
      "OH,Wilmington/Cincinnati,ILN",
      "OK,Frederick,FDR",
      "OK,Shreck Farm/Tulsa,INX",
      "OK,Twin Lakes/Oklahoma City,TLX",
      "OK,Vance AFB,VNX",
      "OR,Medford,MAX",
      "OR,Pendleton,PDT",
      "OR,Portland,RTX",
      "PA,Coraopolis/Pittsburgh,PBZ",
      "PA,Moshannon St Forest/State College,CCX",
      "PR,San Juan,JUA",
      "SC,Charleston,CLX",
      "SC,Columbia,CAE",
      "SC,Greenville/Spartanburg (Greer),GSP",
      "SD,Aberdeen,ABR",
      "SD,Rapid City,UDX",
      "SD,Sioux Falls,FSD",
      "TN,Knoxville,MRX",
      "TN,Millington NAS/Memphis,NQA",
      "TN,Old Hickory Mt/Nashville,OHX",
      "TX,Amarillo,AMA",
      "TX,Bracketville/Laughlin AFB,DFX",
      "TX,Brownsville,BRO",
      "TX,Central Texas (Ft Hood),GRK",
      "TX,Corpus Christi,CRP",
      "TX,El Paso,EPZ",
      "TX,League City/Houston,HGX",
      "TX,Lubbock,LBB",
      "TX,Midland/Odessa,MAF",
      "TX,Moran/Dyess AFB,DYX",
      "TX,New Braunfels AP/Austin-San Ant,EWX",
      "TX,San Angelo,SJT",
      "TX,Spinks AP/Dallas-Ft Worth,FWS",
      "UT,Cedar City,ICX",
      "UT,Promontory Pt/Salt Lake City,MTX",
      "VA,Roanoke,FCX",
      "VA,Wakefield/Norfolk-Richmond,AKQ",
      "VA/Washington DC,Sterling,LWX",
      "VT,Burlington,CXX",
      "WA,Everett/Seattle-Tacoma,ATX",
      "WA,Spokane,OTX",
      "WI,Green Bay,GRB",
      "WI,LaCrosse,ARX",
      "WI,Sullivan Township/Milwaukee,MKX",
      "WV,Charleston,RLX",
      "WY,Cheyenne,CYS",
      "WY,Riverton,RIW",
  };
  return items;
}

bool LoadCatalogueFile(const std::string& path, std::vector<std::string>& items) {
  std::string content;
  if (!FileExists(path) || !ReadWholeFile(path, content)) return false;
  items.clear();
  for (std::string& line : SplitTextLines(content))
    if (!Trim(line).empty()) items.push_back(std::move(line));
  return true;
}

void SortItems(std::vector<std::string>& items) {
  std::stable_sort(items.begin(), items.end(),
                   [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
}

std::string ProductRecordForm(const std::string& catalogueText) {
  std::string text = Trim(catalogueText);
  size_t comma = text.find(',');
  if (comma == std::string::npos) return ", " + text;
  return Trim(text.substr(comma + 1)) + ", " + text.substr(0, comma);
}

}  // namespace ombrix
