// LandXML 1.2: checked with xmllint against the rules of the published schema
// that our documents rely on (written out below as a schema of their own), with
// the right counts and values, and read back into the same points.
#include <gtest/gtest.h>

#include "core/text/codepage.h"
#include "exchange/gis_export.h"
#include "exchange_test_util.h"

namespace corvane::testing {
namespace {

// The published LandXML-1.2.xsd's rules for what we write: the root's required
// date, time and version; all five required Metric units (and the optional ones
// from their lists); SurveyHeader first in Survey; id, stationName and
// instrumentHeight on InstrumentSetup; circle on Backsight; TargetPoint first in
// RawObservation; setupID an IDREF of an existing set-up (xs:ID); CgPoint names
// unique within their CgPoints; coordinates lists of doubles.
const char kRules[] = R"(<?xml version="1.0"?>
<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns="http://www.landxml.org/schema/LandXML-1.2"
           targetNamespace="http://www.landxml.org/schema/LandXML-1.2" elementFormDefault="qualified">
  <xs:simpleType name="coords"><xs:restriction><xs:simpleType><xs:list itemType="xs:double"/></xs:simpleType>
    <xs:minLength value="2"/><xs:maxLength value="3"/></xs:restriction></xs:simpleType>
  <xs:complexType name="point"><xs:simpleContent><xs:extension base="coords">
    <xs:attribute name="name" type="xs:string"/><xs:attribute name="code" type="xs:string"/>
    <xs:attribute name="pntSurv"><xs:simpleType><xs:restriction base="xs:string">
      <xs:enumeration value="traverse"/><xs:enumeration value="control"/><xs:enumeration value="reference"/>
      <xs:enumeration value="sideshot"/></xs:restriction></xs:simpleType></xs:attribute>
  </xs:extension></xs:simpleContent></xs:complexType>
  <xs:simpleType name="angular"><xs:restriction base="xs:string"><xs:enumeration value="radians"/>
    <xs:enumeration value="grads"/><xs:enumeration value="decimal degrees"/><xs:enumeration value="decimal dd.mm.ss"/>
  </xs:restriction></xs:simpleType>
  <xs:simpleType name="linear"><xs:restriction base="xs:string"><xs:enumeration value="millimeter"/>
    <xs:enumeration value="centimeter"/><xs:enumeration value="meter"/><xs:enumeration value="kilometer"/>
  </xs:restriction></xs:simpleType>
  <xs:element name="LandXML"><xs:complexType><xs:choice maxOccurs="unbounded">
      <xs:element name="Units"><xs:complexType><xs:choice><xs:element name="Metric"><xs:complexType>
        <xs:attribute name="areaUnit" use="required"><xs:simpleType><xs:restriction base="xs:string">
          <xs:enumeration value="hectare"/><xs:enumeration value="squareMeter"/></xs:restriction></xs:simpleType></xs:attribute>
        <xs:attribute name="linearUnit" type="linear" use="required"/>
        <xs:attribute name="volumeUnit" use="required"><xs:simpleType><xs:restriction base="xs:string">
          <xs:enumeration value="cubicMeter"/><xs:enumeration value="liter"/></xs:restriction></xs:simpleType></xs:attribute>
        <xs:attribute name="temperatureUnit" use="required"><xs:simpleType><xs:restriction base="xs:string">
          <xs:enumeration value="celsius"/><xs:enumeration value="kelvin"/></xs:restriction></xs:simpleType></xs:attribute>
        <xs:attribute name="pressureUnit" use="required"><xs:simpleType><xs:restriction base="xs:string">
          <xs:enumeration value="HPA"/><xs:enumeration value="milliBars"/></xs:restriction></xs:simpleType></xs:attribute>
        <xs:attribute name="diameterUnit" type="linear"/><xs:attribute name="widthUnit" type="linear"/>
        <xs:attribute name="heightUnit" type="linear"/>
        <xs:attribute name="velocityUnit"><xs:simpleType><xs:restriction base="xs:string">
          <xs:enumeration value="metersPerSecond"/></xs:restriction></xs:simpleType></xs:attribute>
        <xs:attribute name="flowUnit"><xs:simpleType><xs:restriction base="xs:string">
          <xs:enumeration value="cubicMeterSecond"/></xs:restriction></xs:simpleType></xs:attribute>
        <xs:attribute name="angularUnit" type="angular"/><xs:attribute name="directionUnit" type="angular"/>
        <xs:attribute name="latLongAngularUnit" type="angular"/>
        <xs:attribute name="elevationUnit"><xs:simpleType><xs:restriction base="xs:string">
          <xs:enumeration value="meter"/></xs:restriction></xs:simpleType></xs:attribute>
      </xs:complexType></xs:element></xs:choice></xs:complexType></xs:element>
      <xs:element name="CoordinateSystem"><xs:complexType><xs:attribute name="name" type="xs:string"/>
        <xs:attribute name="epsgCode" type="xs:string"/><xs:attribute name="ogcWktCode" type="xs:string"/></xs:complexType></xs:element>
      <xs:element name="Project"><xs:complexType><xs:attribute name="name" type="xs:string" use="required"/></xs:complexType></xs:element>
      <xs:element name="Application"><xs:complexType><xs:attribute name="name" type="xs:string" use="required"/>
        <xs:attribute name="desc" type="xs:string"/></xs:complexType></xs:element>
      <xs:element ref="CgPoints"/>
      <xs:element name="Survey"><xs:complexType><xs:sequence>
        <xs:element name="SurveyHeader"><xs:complexType><xs:attribute name="name" type="xs:string" use="required"/></xs:complexType></xs:element>
        <xs:element name="InstrumentSetup" minOccurs="0" maxOccurs="unbounded"><xs:complexType><xs:sequence>
          <xs:element name="InstrumentPoint" type="point"/>
          <xs:choice minOccurs="0" maxOccurs="unbounded">
            <xs:element name="Backsight"><xs:complexType><xs:sequence>
              <xs:element name="BacksightPoint" type="point" minOccurs="0"/></xs:sequence>
              <xs:attribute name="circle" type="xs:double" use="required"/>
              <xs:attribute name="targetHeight" type="xs:double"/></xs:complexType></xs:element>
            <xs:element name="RawObservation"><xs:complexType><xs:sequence>
              <xs:element name="TargetPoint" type="point"/></xs:sequence>
              <xs:attribute name="setupID" type="xs:IDREF"/>
              <xs:attribute name="purpose"><xs:simpleType><xs:restriction base="xs:string">
                <xs:enumeration value="sideshot"/></xs:restriction></xs:simpleType></xs:attribute>
              <xs:attribute name="targetHeight" type="xs:double"/><xs:attribute name="horizAngle" type="xs:double"/>
              <xs:attribute name="zenithAngle" type="xs:double"/><xs:attribute name="slopeDistance" type="xs:double"/>
            </xs:complexType></xs:element>
          </xs:choice></xs:sequence>
          <xs:attribute name="id" type="xs:ID" use="required"/>
          <xs:attribute name="stationName" type="xs:string" use="required"/>
          <xs:attribute name="instrumentHeight" type="xs:double" use="required"/>
        </xs:complexType></xs:element>
      </xs:sequence></xs:complexType></xs:element>
    </xs:choice>
    <xs:attribute name="date" type="xs:date" use="required"/><xs:attribute name="time" type="xs:time" use="required"/>
    <xs:attribute name="version" type="xs:string" use="required"/><xs:attribute name="language" type="xs:string"/>
    <xs:attribute name="readOnly" type="xs:boolean"/>
  </xs:complexType></xs:element>
  <xs:element name="CgPoints"><xs:complexType><xs:sequence>
      <xs:element name="CgPoint" type="point" minOccurs="0" maxOccurs="unbounded"/>
      <xs:element ref="CgPoints" minOccurs="0" maxOccurs="unbounded"/></xs:sequence>
      <xs:attribute name="name" type="xs:string"/></xs:complexType>
    <xs:unique name="uPntName"><xs:selector xpath="CgPoint"/><xs:field xpath="@name"/></xs:unique>
  </xs:element>
</xs:schema>
)";

std::string XPath(const std::string& file, const std::string& expression) {
  std::string out = RunProgram("/usr/bin/xmllint", {"--xpath", expression, file}).out;
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}
std::string Count(const std::string& file, const char* element) {
  return XPath(file, std::string("count(//*[local-name()='") + element + "'])");
}
std::string Attribute(const std::string& file, const char* element, int index, const char* attribute) {
  return XPath(file, "string((//*[local-name()='" + std::string(element) + "'])[" + std::to_string(index) + "]/@" +
                         attribute + ")");
}

CommandResult ExportLandXml(const RecordGrid& grid, const std::string& path) {
  exchange::GisExportRequest request;
  request.path = path;
  request.format = exchange::GisFormat::LandXml;
  std::string error;
  EXPECT_TRUE(exchange::Crs::Resolve("EPSG:4547", request.crs, error));
  return exchange::ExportGis(grid, request);
}

TEST(LandXml, ValidCountsAndValues) {
  TempDir dir;
  WriteBytes(dir.File("rules.xsd"), kRules);
  const RecordGrid grid = JobGrid(SurveyJobLines());
  const std::string file = dir.File("job.xml");
  ASSERT_TRUE(ExportLandXml(grid, file).Done());
  const RunResult valid = RunProgram("/usr/bin/xmllint", {"--noout", "--schema", dir.File("rules.xsd"), file});
  EXPECT_EQ(valid.exitCode, 0) << valid.err;
  EXPECT_EQ(Count(file, "CgPoint"), std::to_string(CoordinateExportPoints(grid).size()));
  EXPECT_EQ(Count(file, "InstrumentSetup"), "2");
  EXPECT_EQ(Count(file, "Backsight"), "2");
  EXPECT_EQ(Count(file, "RawObservation"), "4");  // the DP and RP rows after the first station
  EXPECT_EQ(Attribute(file, "CoordinateSystem", 1, "epsgCode"), "4547");
  EXPECT_EQ(Attribute(file, "InstrumentSetup", 2, "instrumentHeight"), "1.48");
  EXPECT_EQ(Attribute(file, "Backsight", 2, "circle"), "180");
  // 45°30'15" and 88°15'20" in decimal degrees; gon after the unit row (10 and 85 gon).
  const struct {
    int index;
    const char* horiz;
    const char* zenith;
    const char* slope;
  } observations[] = {{1, "45.50416667", "88.25555556", "25.432"}, {4, "9", "76.5", "33.3"}};
  for (const auto& o : observations) {
    EXPECT_EQ(Attribute(file, "RawObservation", o.index, "horizAngle"), o.horiz);
    EXPECT_EQ(Attribute(file, "RawObservation", o.index, "zenithAngle"), o.zenith);
    EXPECT_EQ(Attribute(file, "RawObservation", o.index, "slopeDistance"), o.slope);
    EXPECT_EQ(Attribute(file, "RawObservation", o.index, "setupID"), o.index == 1 ? "setup1" : "setup2");
  }
  EXPECT_EQ(XPath(file, "string((//*[local-name()='CgPoint'])[1])"), "3380000 500000 30");
}

TEST(LandXml, HostileNamesStayWellFormedAndComeBackAsTheyWere) {
  TempDir dir;
  const std::vector<std::string> lines = {"U,MP,<a&\"b'>,0,0,0,3380000,500000,6,0,0,x\x01y",
                                          "U,MP,\xb2\xe2\xb5\xe3,0,0,0,3380001,500001,6,0,0,\x81\xff",
                                          "U,MP,\xb2\xe2\xb5\xe3,0,0,0,3380002,500002,6,0,0,repeated name"};
  ASSERT_TRUE(ExportLandXml(JobGrid(lines), dir.File("h.xml")).Done());
  const RunResult wellFormed = RunProgram("/usr/bin/xmllint", {"--noout", dir.File("h.xml")});
  EXPECT_EQ(wellFormed.exitCode, 0) << wellFormed.err;
  const RunResult back = RunCliWithCrs(dir, "EPSG:4547", {"import-gis", dir.File("h.xml"), "--dump"});
  ASSERT_EQ(back.exitCode, 0) << back.err;
  for (const std::string& bytes : {std::string("\t<a&\"b'>\t"), std::string("\tx\x01y\t"),
                                   std::string("\t\xb2\xe2\xb5\xe3\t"), std::string("\t\x81\xff\t")})
    EXPECT_NE(back.out.find(bytes), std::string::npos) << Visible(bytes);
  EXPECT_EQ(back.out.rfind("rows\t4", 0), 0u);
}

}  // namespace
}  // namespace corvane::testing
